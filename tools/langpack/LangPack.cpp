// langpack <lang dir> <out LanguageArchive.bin> <out LanguageArchive.utf16>
//
// Assembles neutral.txt and NN-name.txt (UTF-8, one per language, NN = its index) into the
// UTF-16LE archive text, compresses it and writes the marker-framed block that the executable
// carries, plus the text itself for the tests. Any doubt about the input stops the build.

#include "lang/LanguageArchive.h"
#include "lang/LzariDecoder.h"
#include "lang/LzariEncoder.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNamedLanguages = kMaxLanguages - 1; // the closing unnamed section needs a slot

bool Fail(const std::string& message) {
    std::fprintf(stderr, "langpack: error: %s\n", message.c_str());
    return false;
}

bool ReadFile(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Fail("cannot read " + path.string());
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() || Fail("cannot read " + path.string());
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail() || Fail("cannot write " + path.string());
}

// Strict UTF-8 (no overlong forms, no surrogates) to UTF-16.
bool DecodeUtf8(const std::string& in, std::u16string& out, const std::string& where) {
    out.clear();
    size_t i = 0;
    if (in.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        i = 3;
    }
    while (i < in.size()) {
        const auto byte = [&](size_t k) { return static_cast<uint8_t>(in[k]); };
        const uint8_t b0 = byte(i);
        uint32_t cp = 0;
        size_t extra = 0;
        uint32_t minimum = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F, extra = 1, minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F, extra = 2, minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07, extra = 3, minimum = 0x10000;
        } else {
            return Fail(where + ": invalid UTF-8 at byte " + std::to_string(i));
        }
        if (i + extra >= in.size()) {
            return Fail(where + ": truncated UTF-8 at byte " + std::to_string(i));
        }
        for (size_t k = 1; k <= extra; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) {
                return Fail(where + ": invalid UTF-8 at byte " + std::to_string(i));
            }
            cp = cp << 6 | (byte(i + k) & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return Fail(where + ": invalid UTF-8 at byte " + std::to_string(i));
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += extra + 1;
    }
    return true;
}

// Lines split at LF; a CR before the LF is dropped (a checkout with CR LF line ends still
// packs the same text), a final line without LF still counts.
bool SplitLines(const std::u16string& text, std::vector<std::u16string>& lines,
                const std::string& where) {
    lines.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        const size_t next = end == std::u16string::npos ? text.size() : end + 1;
        if (end == std::u16string::npos) {
            end = text.size();
        }
        if (end > start && text[end - 1] == u'\r') {
            --end;
        }
        std::u16string line = text.substr(start, end - start);
        for (char16_t c : line) {
            if (c == u'\r' || c == 0) {
                return Fail(where + ": line " + std::to_string(lines.size() + 1) +
                            " holds a stray CR or NUL");
            }
        }
        if (line.find(u"##") != std::u16string::npos) {
            return Fail(where + ": line " + std::to_string(lines.size() + 1) +
                        " holds \"##\", which would open a section");
        }
        lines.push_back(std::move(line));
        start = next;
    }
    return true;
}

bool ReadLines(const fs::path& path, std::vector<std::u16string>& lines) {
    std::string bytes;
    std::u16string text;
    const std::string where = path.filename().string();
    return ReadFile(path, bytes) && DecodeUtf8(bytes, text, where) &&
           SplitLines(text, lines, where);
}

bool CheckNameLine(const std::vector<std::u16string>& lines, const std::string& where) {
    if (lines.empty() || lines[0].empty() || lines[0][0] != u'=') {
        return Fail(where + ": the first line must be \"=English name<TAB>native name\"");
    }
    const std::u16string name = lines[0].substr(1);
    const size_t tab = name.find(u'\t');
    if (tab == std::u16string::npos || tab == 0 || tab + 1 == name.size() ||
        name.find(u'\t', tab + 1) != std::u16string::npos) {
        return Fail(where + ": the name line needs one TAB between two non-empty names");
    }
    return true;
}

// "NN-name.txt" with NN the language index; name of lower-case letters, digits and '-'.
std::optional<int> LanguageIndexOf(const std::string& fileName) {
    if (fileName.size() < 8 || fileName.compare(fileName.size() - 4, 4, ".txt") != 0) {
        return std::nullopt;
    }
    if (!std::isdigit(static_cast<unsigned char>(fileName[0])) ||
        !std::isdigit(static_cast<unsigned char>(fileName[1])) || fileName[2] != '-') {
        return std::nullopt;
    }
    const std::string name = fileName.substr(3, fileName.size() - 7);
    if (name.empty() || name.front() == '-') {
        return std::nullopt;
    }
    for (char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) {
            return std::nullopt;
        }
    }
    return (fileName[0] - '0') * 10 + (fileName[1] - '0');
}

void AppendLine(std::u16string& text, const std::u16string& line) {
    text += line;
    text += u"\r\n";
}

size_t CountMarks(const std::u16string& text) {
    size_t count = 0;
    for (size_t at = text.find(u"##"); at != std::u16string::npos; at = text.find(u"##", at + 2)) {
        ++count;
    }
    return count;
}

bool Run(const fs::path& dir, const fs::path& binPath, const fs::path& textPath) {
    std::error_code error;
    if (!fs::is_directory(dir, error)) {
        return Fail(dir.string() + " is not a folder");
    }
    std::optional<fs::path> neutralPath;
    std::map<int, fs::path> languagePaths;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        const std::string fileName = entry.path().filename().string();
        if (!fileName.empty() && fileName[0] == '.') {
            continue; // editor and VCS leftovers
        }
        if (fileName == "neutral.txt") {
            neutralPath = entry.path();
            continue;
        }
        const std::optional<int> index = LanguageIndexOf(fileName);
        if (!index || !entry.is_regular_file()) {
            return Fail("unexpected file name " + fileName +
                        " (expected neutral.txt or NN-name.txt)");
        }
        if (!languagePaths.emplace(*index, entry.path()).second) {
            return Fail("two files for language " + std::to_string(*index) + ": " +
                        languagePaths[*index].filename().string() + " and " + fileName);
        }
    }
    if (error) {
        return Fail("cannot list " + dir.string() + ": " + error.message());
    }
    if (!neutralPath) {
        return Fail("neutral.txt is missing");
    }
    if (languagePaths.empty()) {
        return Fail("no language files");
    }
    const int languages = static_cast<int>(languagePaths.size());
    if (languagePaths.rbegin()->first != languages - 1) {
        for (int k = 0; k < languages; ++k) {
            if (languagePaths.count(k) == 0) {
                return Fail("language " + std::to_string(k) + " is missing (files must run " +
                            "00, 01, ... without gaps)");
            }
        }
    }
    if (languages > kMaxNamedLanguages) {
        return Fail("more than " + std::to_string(kMaxNamedLanguages) + " languages");
    }

    std::u16string text = u"\uFEFF\r\n##\r\n";
    std::vector<std::u16string> lines;
    if (!ReadLines(*neutralPath, lines)) {
        return false;
    }
    for (const std::u16string& line : lines) {
        AppendLine(text, line);
    }
    text += u"##\r\n##\r\n";
    for (const auto& [index, path] : languagePaths) {
        if (!ReadLines(path, lines) || !CheckNameLine(lines, path.filename().string())) {
            return false;
        }
        text += u"##";
        for (const std::u16string& line : lines) {
            AppendLine(text, line);
        }
    }
    // An unnamed closing section, as the program has always carried.
    text += u"##\r\n";
    if (CountMarks(text) != static_cast<size_t>(3 + languages + 1)) {
        return Fail("the assembled text has a stray \"##\"");
    }

    std::vector<uint8_t> textBytes;
    textBytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        textBytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        textBytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    const std::vector<uint8_t> block = EncodeLzari(textBytes.data(), textBytes.size());
    if (block.size() < lzari::kHeaderSize) {
        return Fail("the text is too large to compress");
    }

    // Trust nothing: decode the block as the program will and compare.
    std::vector<uint8_t> decoded(textBytes.size());
    LzariDecoder decoder;
    decoder.DecodeToMemory(block.data(), static_cast<uint32_t>(block.size()), decoded.data(),
                           static_cast<uint32_t>(decoded.size()));
    if (decoded != textBytes) {
        return Fail("the compressed block does not decode to the text");
    }
    const std::vector<uint8_t> startMarker = StartMarker();
    const std::vector<uint8_t> endMarker = EndMarker();
    if (FindBytes(block.data(), block.size(), startMarker.data(), startMarker.size()) >= 0 ||
        FindBytes(block.data(), block.size(), endMarker.data(), endMarker.size()) >= 0) {
        return Fail("a marker occurs inside the compressed block");
    }
    std::vector<uint8_t> framed = startMarker;
    framed.insert(framed.end(), block.begin(), block.end());
    framed.insert(framed.end(), endMarker.begin(), endMarker.end());
    const std::optional<std::vector<uint8_t>> extracted =
        ExtractArchiveBlockFromImage(framed.data(), framed.size());
    if (!extracted || *extracted != block) {
        return Fail("the framed block does not extract to itself");
    }
    if (!LoadArchiveFromBlock(block.data(), block.size()) || LanguageCount != languages + 1) {
        return Fail("the archive does not parse into " + std::to_string(languages + 1) +
                    " sections");
    }
    int incomplete = 0;
    for (int k = 0; k < languages; ++k) {
        if (TranslatedPercent[k] != 100) {
            std::fprintf(stderr, "langpack: warning: %s is %d %% translated\n",
                         languagePaths[k].filename().string().c_str(), TranslatedPercent[k]);
            ++incomplete;
        }
    }
    ResetLanguageArchive();

    if (!WriteFile(textPath, textBytes) || !WriteFile(binPath, framed)) {
        return false;
    }
    std::printf("langpack: %d languages, text %zu bytes, block %zu bytes (%.1f %%)%s\n", languages,
                textBytes.size(), block.size(),
                100.0 * static_cast<double>(block.size()) / static_cast<double>(textBytes.size()),
                incomplete != 0 ? ", some incomplete" : "");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: langpack <lang dir> <out .bin> <out .utf16>\n");
        return 2;
    }
    return Run(argv[1], argv[2], argv[3]) ? 0 : 1;
}
