#include "script/title_settings.h"

#include <algorithm>

namespace camdrift {

namespace {

constexpr std::u16string_view kCropOutput = u"crop=output";
constexpr std::u16string_view kCropSource = u"crop=source";

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool isLineEnd(char16_t c) { return c == u'\n' || c == u'\r'; }

std::u16string asciiLower(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return lower;
}

// Edits (insert, delete, replace) that turn `a` into `b`.
size_t editDistance(std::u16string_view a, std::u16string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A `name=value` word meant as the crop setting: its name is "crop" but for
// case or one slip of the finger, or its value is within two slips of one
// of the setting's values.
bool looksLikeCropSetting(std::u16string_view word) {
    const size_t equals = word.find(u'=');
    if (equals == std::u16string_view::npos) return false;
    const std::u16string name = asciiLower(word.substr(0, equals));
    const std::u16string value = asciiLower(word.substr(equals + 1));
    return editDistance(name, u"crop") <= 1 || editDistance(value, u"output") <= 2 ||
           editDistance(value, u"source") <= 2;
}

}  // namespace

std::vector<std::u16string> titleWords(std::u16string_view titleLine) {
    std::vector<std::u16string> words;
    size_t pos = 0;
    while (pos < titleLine.size()) {
        while (pos < titleLine.size() && isBlank(titleLine[pos])) ++pos;
        const size_t begin = pos;
        while (pos < titleLine.size() && !isBlank(titleLine[pos])) ++pos;
        std::u16string_view word = titleLine.substr(begin, pos - begin);
        // The line read keeps its line feed; it ends the last word, it isn't part of it.
        while (!word.empty() && isLineEnd(word.back())) word.remove_suffix(1);
        if (!word.empty()) words.emplace_back(word);
    }
    return words;
}

CropShape cropShapeOfTitle(std::u16string_view titleLine) {
    CropShape shape = CropShape::Source;
    for (const std::u16string& word : titleWords(titleLine)) {
        if (word == kCropOutput) shape = CropShape::Output;
        if (word == kCropSource) shape = CropShape::Source;
    }
    return shape;
}

std::vector<std::u16string> misspeltSettingWords(std::u16string_view titleLine) {
    std::vector<std::u16string> misspelt;
    for (const std::u16string& word : titleWords(titleLine)) {
        if (word != kCropOutput && word != kCropSource && looksLikeCropSetting(word)) {
            misspelt.push_back(word);
        }
    }
    return misspelt;
}

}  // namespace camdrift
