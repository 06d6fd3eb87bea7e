#include "device_kind.h"

namespace trelon::wizard {

namespace {

// Two decimal digits at pos, or -1.
int Group(const QString& text, qsizetype pos) {
    const QChar hi = text[pos], lo = text[pos + 1];
    if (!hi.isDigit() || !lo.isDigit() || hi.unicode() > u'9' || lo.unicode() > u'9') return -1;
    return (hi.unicode() - u'0') * 10 + (lo.unicode() - u'0');
}

TDeviceKind KindOf(int g1, int g2) {
    if (g1 == 76) return dkFlowmeter;
    if (g1 != 64) return dkUnknown;
    switch (g2) {
        case 8:
            return dkImr;
        case 9:
            return dkUsi;
        case 10:
            return dkIpt;
        default:
            return dkUnknown;
    }
}

}  // namespace

QString KindName(int kind) {
    switch (kind) {
        case dkImr:
            return QStringLiteral("ЗРТ-ИМР");
        case dkIpt:
            return QStringLiteral("ЗРТ-ИПТ");
        case dkUsi:
            return QStringLiteral("ЗРТ-УСИ");
        case dkFlowmeter:
            return QStringLiteral("Расходомер");
        default:
            return QStringLiteral("???");
    }
}

TDeviceKind IdentifyKind(const QString& answer) {
    // dot is the index of the first of the three dots; the pattern takes the two
    // characters before it and eight after it, and one more character must follow.
    TDeviceKind kind = dkUnknown;
    for (qsizetype dot = 2; dot + 9 < answer.size(); ++dot) {
        if (answer[dot] != u'.' || answer[dot + 3] != u'.' || answer[dot + 6] != u'.') continue;
        const int g[] = {Group(answer, dot - 2), Group(answer, dot + 1), Group(answer, dot + 4),
                         Group(answer, dot + 7)};
        if (g[0] < 0 || g[1] < 0 || g[2] < 0 || g[3] < 0) continue;
        kind = KindOf(g[0], g[1]);
    }
    return kind;
}

QString CutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString LeftChars(const QString& text, int count) {
    qsizetype pos = 0;
    for (int n = 0; n < count && pos < text.size(); ++n)
        pos += (text[pos].isHighSurrogate() && pos + 1 < text.size()) ? 2 : 1;
    return text.left(pos);
}

QString DeviceTypeName(int kind, int address) {
    return LeftChars(KindName(kind) + u' ' + QString::number(address), kTypeNameLength);
}

}  // namespace trelon::wizard
