#pragma once
// The language menu of the L key and the translation tools: the template for translators and
// the loading of a translated file.

#include <string>

// Pops up the language menu at the cursor and carries out the choice: another language (stored
// as "lng" and shown at once), the template, or a translation file.
void ShowLanguageMenu();

// Writes the template (UTF-16 LE with its byte-order mark) to TranslationTemplatePath() and
// opens it with the user's associated program.
void ExportTranslationTemplate();

// The temporary folder's translate_Quillfern.txt.
std::wstring TranslationTemplatePath();

// Asks for a file with the open-file dialog and loads it.
void PickTranslationFile();

// Makes the file answer every lookup and reports its coverage in a box captioned "Translate".
// A file that can't be read is reported as such and changes nothing.
void LoadTranslationFile(const std::wstring& path);

// Far more than any translation; a bigger file is refused before it is read into memory.
inline constexpr long long kMaxTextFileBytes = 16LL * 1024 * 1024;

// The whole file as text (UTF-16 LE with FF FE, UTF-8 with EF BB BF, else the ANSI code page).
// False, with the text empty, when the file can't be opened or read or is larger than
// kMaxTextFileBytes.
bool ReadTextFile(const std::wstring& path, std::u16string& text);
