// Settings files in the classic INI form: sections and keys kept as written and compared
// without regard to letter case, everything not touched kept as it was (comments too).
// Files are UTF-8; a file that is not valid UTF-8 is read as Windows-1251.
#pragma once

#include <string>
#include <vector>

namespace trelon {

class TIniFile {
  public:
    TIniFile() = default;
    // Reads the file if it exists; a missing file gives an empty set of settings.
    explicit TIniFile(std::string path);

    const std::string& Path() const { return path_; }
    bool Loaded() const { return loaded_; }

    void LoadFromText(const std::string& text);
    // The bytes of a settings file as read from disk: a UTF-8 byte order mark is dropped,
    // and bytes that are not valid UTF-8 are read as Windows-1251.
    void LoadFromFileBytes(std::string bytes);
    std::string ToText() const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal or "0x" hexadecimal; anything unreadable gives def.
    long long ReadInteger(const std::string& section, const std::string& key, long long def) const;
    // Any non-zero integer reads as true; anything unreadable gives def.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    double ReadFloat(const std::string& section, const std::string& key, double def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, long long value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void WriteFloat(const std::string& section, const std::string& key, double value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(const std::string& section) const;  // its keys
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

    // Writes the file atomically (a temporary file renamed over it). False on failure,
    // with the reason in LastError(); the old file then stays as it was.
    bool UpdateFile();
    bool SaveAs(const std::string& path);
    const std::string& LastError() const { return error_; }

  private:
    struct TLine {
        bool IsEntry = false;
        std::string Key;    // as written
        std::string Value;  // entries only
        std::string Raw;    // the line as read; empty for an entry written since
    };
    struct TSection {
        std::string Name;  // as written; "" for lines before the first header
        std::vector<TLine> Lines;
        std::string Raw;  // the header line as read; empty for a section added since
    };

    const TSection* Find(const std::string& section) const;
    TSection& FindOrAdd(const std::string& section);
    const TLine* FindKey(const std::string& section, const std::string& key) const;

    std::string path_;
    bool loaded_ = false;
    std::string error_;
    std::vector<TSection> sections_;
};

}  // namespace trelon
