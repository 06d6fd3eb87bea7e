#include "ini_file.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "codepage.h"
#include "number_text.h"

namespace trelon {

namespace {

std::string Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

// The reader drops one pair of matching quotes around a value, and the spaces around it.
bool HasQuotes(std::string_view v) {
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

// A value as an entry line holds it, so that it reads back as it is.
std::string ValueText(const std::string& v) {
    bool padded = !v.empty() && (Trim(v).size() != v.size());
    return padded || HasQuotes(v) ? '"' + v + '"' : v;
}

bool SameName(const std::string& a, const std::string& b) {
    return FoldCase(a) == FoldCase(b);
}

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;
    std::stringstream ss;
    ss << in.rdbuf();
    LoadFromFileBytes(ss.str());
    loaded_ = true;
}

void TIniFile::LoadFromFileBytes(std::string bytes) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    LoadFromText(IsValidUtf8(bytes) ? bytes : Cp1251ToUtf8(bytes));
}

void TIniFile::LoadFromText(const std::string& text) {
    sections_.clear();
    sections_.push_back({});
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string t = Trim(raw);
        if (t.size() >= 2 && t.front() == '[' && t.find(']') != std::string::npos) {
            sections_.push_back({Trim(t.substr(1, t.find(']') - 1)), {}, raw});
            continue;
        }
        size_t eq = t.find('=');
        if (t.empty() || t[0] == ';' || t[0] == '#' || eq == std::string::npos || eq == 0) {
            sections_.back().Lines.push_back({false, {}, {}, raw});
            continue;
        }
        std::string value = Trim(t.substr(eq + 1));
        // A value in matching quotes loses them, as the classic reader does.
        if (HasQuotes(value)) value = value.substr(1, value.size() - 2);
        sections_.back().Lines.push_back({true, Trim(t.substr(0, eq)), value, raw});
    }
}

std::string TIniFile::ToText() const {
    std::string out;
    for (const TSection& s : sections_) {
        if (!s.Name.empty() || &s != &sections_.front())
            out += (s.Raw.empty() ? "[" + s.Name + "]" : s.Raw) + "\n";
        for (const TLine& l : s.Lines)
            out += (l.IsEntry && l.Raw.empty() ? l.Key + "=" + ValueText(l.Value) : l.Raw) + "\n";
    }
    return out;
}

const TIniFile::TSection* TIniFile::Find(const std::string& section) const {
    for (size_t k = 1; k < sections_.size(); ++k)
        if (SameName(sections_[k].Name, section)) return &sections_[k];
    return nullptr;
}

TIniFile::TSection& TIniFile::FindOrAdd(const std::string& section) {
    if (sections_.empty()) sections_.push_back({});
    if (const TSection* s = Find(section)) return const_cast<TSection&>(*s);
    sections_.push_back({section, {}, {}});
    return sections_.back();
}

const TIniFile::TLine* TIniFile::FindKey(const std::string& section, const std::string& key) const {
    const TSection* s = Find(section);
    if (!s) return nullptr;
    for (const TLine& l : s->Lines)
        if (l.IsEntry && SameName(l.Key, key)) return &l;
    return nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    const TLine* l = FindKey(section, key);
    return l ? l->Value : def;
}

long long TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                long long def) const {
    const TLine* l = FindKey(section, key);
    int64_t v = 0;
    return l && ParseInteger(l->Value, v) ? v : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    const TLine* l = FindKey(section, key);
    int64_t v = 0;
    return l && ParseInteger(l->Value, v) ? v != 0 : def;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
    const TLine* l = FindKey(section, key);
    if (!l) return def;
    std::string s = Trim(l->Value);
    for (char& c : s)
        if (c == ',') c = '.';
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty() ? v : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    TSection& s = FindOrAdd(section);
    for (TLine& l : s.Lines)
        if (l.IsEntry && SameName(l.Key, key)) {
            l.Value = value;
            l.Raw.clear();
            return;
        }
    // New keys go after the last entry, so trailing comments and blank lines stay last.
    auto pos = s.Lines.end();
    while (pos != s.Lines.begin() && !(pos - 1)->IsEntry) --pos;
    s.Lines.insert(pos, {true, key, value, {}});
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, long long value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    WriteString(section, key, std::string(buf, r.ptr));
}

bool TIniFile::SectionExists(const std::string& section) const {
    return Find(section);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return FindKey(section, key);
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> out;
    for (size_t k = 1; k < sections_.size(); ++k) out.push_back(sections_[k].Name);
    return out;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> out;
    if (const TSection* s = Find(section))
        for (const TLine& l : s->Lines)
            if (l.IsEntry) out.push_back(l.Key);
    return out;
}

void TIniFile::EraseSection(const std::string& section) {
    for (size_t k = 1; k < sections_.size(); ++k)
        if (SameName(sections_[k].Name, section)) {
            sections_.erase(sections_.begin() + long(k));
            return;
        }
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    if (const TSection* cs = Find(section)) {
        auto& lines = const_cast<TSection*>(cs)->Lines;
        for (auto it = lines.begin(); it != lines.end(); ++it)
            if (it->IsEntry && SameName(it->Key, key)) {
                lines.erase(it);
                return;
            }
    }
}

bool TIniFile::UpdateFile() {
    return SaveAs(path_);
}

bool TIniFile::SaveAs(const std::string& path) {
    if (path.empty()) {
        error_ = "no file name";
        return false;
    }
    std::string tmp = path + ".tmp";
    std::string text = ToText();
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += size_t(n);
    }
    ok = ok && ::fsync(fd) == 0;
    int err = errno;
    if (fd >= 0) ::close(fd);
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        error_ = path + ": " + std::strerror(err);
        return false;
    }
    error_.clear();
    return true;
}

}  // namespace trelon
