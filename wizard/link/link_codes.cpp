#include "link_codes.h"

namespace trelon::wizard {

QString ResultText(int result) {
    switch (result) {
        case mbcOK:
            return QStringLiteral("Ок");
        case mbcNoAnswer:
            return QStringLiteral("Прибор не отвечает");
        case mbcCheckSumError:
            return QStringLiteral("Ошибка контрольной суммы");
        case mbcERC:
            return QStringLiteral("Не удается отправить запрос");
        case mbcIFN:
            return QStringLiteral("Недопустимая функция");
        case mbcIDV:
            return QStringLiteral("Недопустимые данные");
        case mbcSDF:
            return QStringLiteral("Прибор неисправен");
        case mbcACK:
            return QStringLiteral("Начало долговременной операции");
        case mbcSDB:
            return QStringLiteral("Прибор занят");
        case mbcNACK:
            return QStringLiteral("Выполнение функции невозможно");
        case mbcMPE:
            return QStringLiteral("Ошибка четности");
        case mbcIDA:
            return QStringLiteral("Недопустимый адрес данных");
        case mbcWrongAddr:
            return QStringLiteral("Не совпадает адрес ModBus");
        case mbcWrongFunNumber:
            return QStringLiteral("Не совпадает номер функции");
        case mbcWrongType:
            return QStringLiteral("Неверный тип данных");
        case mbcNotEnoughData:
            return QStringLiteral("Недостаточно данных");
        default:
            return QStringLiteral("Неизвестная ошибка");
    }
}

}  // namespace trelon::wizard
