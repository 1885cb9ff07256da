// Text layout: lines, prefixes, word breaks, tab stops and ellipses, measured with SDL2_ttf.
#include "platform/gfx/text_layout.h"

#include <SDL_ttf.h>

#include <algorithm>

namespace platform::gfx {

bool OpenTextFontLocked(const Dc& dc, TextFont& out) {
    const Font* font = dc.SelectedFont();
    if (!font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    out.font = OpenFontLocked(*font);
    if (!out.font) return false;
    out.line_height = TTF_FontHeight(out.font);
    out.ascent = TTF_FontAscent(out.font);
    int x_width = 0, x_height = 0;
    TTF_SizeUTF8(out.font, "x", &x_width, &x_height);
    // Tab stops every eight average character widths, as DT_EXPANDTABS places them.
    out.tab_width = 8 * std::max(1, x_width);
    out.smooth = font->quality != NONANTIALIASED_QUALITY;
    return true;
}

int RunWidth(const TextFont& font, const std::string& run) {
    if (run.empty()) return 0;
    int width = 0, height = 0;
    if (TTF_SizeUTF8(font.font, run.c_str(), &width, &height) != 0) return 0;
    return width;
}

// Width of a line whose tabs jump to the next tab stop.
int LineWidth(const TextFont& font, const std::string& line) {
    int x = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        x += RunWidth(font, line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return x;
        x = (x / font.tab_width + 1) * font.tab_width;
        start = tab + 1;
    }
}

std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

namespace {

// "&&" draws "&"; "&x" draws x underlined.
Line StripPrefixes(const std::string& text) {
    Line line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            line.text += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '&') {
            line.text += '&';
            ++i;
        } else if (i + 1 < text.size() && line.underline < 0) {
            line.underline = static_cast<std::ptrdiff_t>(line.text.size());
        }
    }
    return line;
}

// Greedy breaking at spaces; a single word wider than the width keeps a line of its own.
std::vector<Line> WrapLine(const TextFont& font, const Line& paragraph, int max_width) {
    std::vector<Line> lines;
    const std::string& text = paragraph.text;
    std::size_t start = 0;
    do {
        std::size_t fit = std::string::npos;
        std::size_t end = start;
        while (end < text.size()) {
            // Next candidate end: past the spaces, then to the end of the following word.
            while (end < text.size() && text[end] == ' ') ++end;
            while (end < text.size() && text[end] != ' ') ++end;
            if (fit != std::string::npos && LineWidth(font, text.substr(start, end - start)) > max_width) break;
            fit = end;
        }
        if (fit == std::string::npos) fit = text.size();
        Line line;
        line.text = text.substr(start, fit - start);
        if (paragraph.underline >= static_cast<std::ptrdiff_t>(start) && paragraph.underline < static_cast<std::ptrdiff_t>(fit))
            line.underline = paragraph.underline - static_cast<std::ptrdiff_t>(start);
        lines.push_back(std::move(line));
        start = fit;
        while (start < text.size() && text[start] == ' ') ++start;
    } while (start < text.size());
    return lines;
}

// Cuts a line to what fits before "...".
void AddEllipsis(const TextFont& font, Line& line, int max_width) {
    if (LineWidth(font, line.text) <= max_width) return;
    while (!line.text.empty() && LineWidth(font, line.text + "...") > max_width) {
        std::size_t cut = line.text.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(line.text[cut]) & 0xC0) == 0x80) --cut;
        line.text.erase(cut);
    }
    line.text += "...";
    if (line.underline >= static_cast<std::ptrdiff_t>(line.text.size()) - 3) line.underline = -1;
}

}  // namespace

std::vector<Line> LayOut(const TextFont& font, const std::string& text, UINT format, int max_width) {
    std::vector<std::string> paragraphs;
    if (format & DT_SINGLELINE) {
        // One line: line breaks are not honoured and draw nothing.
        std::string line;
        for (char c : text)
            if (c != '\r' && c != '\n') line += c;
        paragraphs.push_back(std::move(line));
    } else {
        std::string current;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                paragraphs.push_back(std::move(current));
                current.clear();
            } else {
                current += text[i];
            }
        }
        if (!current.empty() || paragraphs.empty()) paragraphs.push_back(std::move(current));
    }
    std::vector<Line> lines;
    for (std::string& paragraph : paragraphs) {
        if (!(format & DT_EXPANDTABS)) std::erase(paragraph, '\t');  // unexpanded tabs have no width
        Line line = (format & DT_NOPREFIX) ? Line{paragraph, -1} : StripPrefixes(paragraph);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            for (Line& wrapped : WrapLine(font, line, max_width)) lines.push_back(std::move(wrapped));
        } else {
            lines.push_back(std::move(line));
        }
    }
    if (format & DT_END_ELLIPSIS)
        for (Line& line : lines) AddEllipsis(font, line, max_width);
    return lines;
}

}  // namespace platform::gfx
