#include "platform/resources/dialog_template.h"

#include <set>

namespace resources {
namespace {

struct KindWord {
    std::string_view word;
    ControlKind kind;
};
constexpr KindWord kKinds[] = {
    {"button", ControlKind::Button},
    {"static", ControlKind::Static},
    {"slider", ControlKind::Slider},
    {"seekbar", ControlKind::SeekBar},
    {"listbox", ControlKind::ListBox},
    {"combobox", ControlKind::ComboBox},
    {"radio", ControlKind::Radio},
};

struct StyleWord {
    std::string_view word;
    uint32_t bits;
};
constexpr StyleWord kStyles[] = {
    {"left", kStyleLeft},           {"center", kStyleCenter},
    {"right", kStyleRight},         {"vcenter", kStyleVCenter},
    {"wordbreak", kStyleWordBreak}, {"noprefix", kStyleNoPrefix},
};

std::optional<uint32_t> ParseStyles(std::string_view words) {
    if (words == "-") return kStyleLeft;
    uint32_t bits = 0;
    int horizontal = 0;
    while (true) {
        const size_t comma = words.find(',');
        const std::string_view word = words.substr(0, comma);
        bool known = false;
        for (const auto& entry : kStyles) {
            if (entry.word != word) continue;
            known = true;
            bits |= entry.bits;
            if (word == "left" || word == "center" || word == "right") ++horizontal;
        }
        if (!known || horizontal > 1) return std::nullopt;
        if (comma == std::string_view::npos) return bits;
        words.remove_prefix(comma + 1);
    }
}

// titled: the line ends in a quoted word, which is the dialog's title.
std::optional<std::string> ParseDialog(std::vector<std::string> w, bool titled, DialogTemplate& dialog) {
    if (titled && w.size() >= 4) {
        if (w.back().size() > kMaxCaptionBytes || !IsValidUtf8(w.back()))
            return "dialog title must be UTF-8 of at most 259 characters";
        dialog.title = w.back();
        w.pop_back();
    }
    if (w.size() != 3 && w.size() != 5) return "expected: dialog NAME WIDTHxHEIGHT [background ID] [\"TITLE\"]";
    if (w[1].empty() || !IsValidUtf8(w[1])) return "dialog name must be UTF-8 text";
    const auto size = ParseSize(w[2], kMaxCoordinate);
    if (!size) return "dialog size '" + w[2] + "' is not WIDTHxHEIGHT from 1 to 4096";
    dialog.name = w[1];
    dialog.width = size->width;
    dialog.height = size->height;
    if (w.size() == 5) {
        if (w[3] != "background") return "unknown attribute '" + w[3] + "'";
        const auto id = ParseNumber(w[4], 0, 65535);
        if (!id) return "background '" + w[4] + "' is not a bitmap number";
        dialog.background = static_cast<uint32_t>(*id);
    }
    return std::nullopt;
}

std::optional<std::string> ParseControl(const std::vector<std::string>& w, TemplateControl& control) {
    if (w.size() < 6) return "expected: control ID KIND X,Y WIDTHxHEIGHT STYLE [skin ID] [\"CAPTION\"]";
    const auto id = ParseNumber(w[1], 0, 65535);
    if (!id) return "control id '" + w[1] + "' is not a number from 0 to 65535";
    control.id = static_cast<uint32_t>(*id);
    bool kind_known = false;
    for (const auto& entry : kKinds) {
        if (entry.word == w[2]) {
            control.kind = entry.kind;
            kind_known = true;
        }
    }
    if (!kind_known) return "unknown control kind '" + w[2] + "'";
    const size_t comma = w[3].find(',');
    const auto x = comma == std::string::npos ? std::nullopt : ParseNumber(std::string_view(w[3]).substr(0, comma), -kMaxCoordinate, kMaxCoordinate);
    const auto y = comma == std::string::npos ? std::nullopt : ParseNumber(std::string_view(w[3]).substr(comma + 1), -kMaxCoordinate, kMaxCoordinate);
    if (!x || !y) return "position '" + w[3] + "' is not X,Y";
    control.x = static_cast<int>(*x);
    control.y = static_cast<int>(*y);
    const auto size = ParseSize(w[4], kMaxCoordinate);
    if (!size) return "control size '" + w[4] + "' is not WIDTHxHEIGHT from 1 to 4096";
    control.width = size->width;
    control.height = size->height;
    const auto style = ParseStyles(w[5]);
    if (!style) return "style '" + w[5] + "' is not a list of left|center|right, vcenter, wordbreak, noprefix";
    control.style = *style;
    size_t at = 6;
    if (at < w.size() && w[at] == "skin") {
        if (at + 1 >= w.size()) return "'skin' needs a bitmap number";
        const auto skin = ParseNumber(w[at + 1], 0, 65535);
        if (!skin) return "skin '" + w[at + 1] + "' is not a bitmap number";
        control.skin = static_cast<uint32_t>(*skin);
        at += 2;
    }
    if (at < w.size()) {
        if (w[at].size() > kMaxCaptionBytes || !IsValidUtf8(w[at])) return "caption must be UTF-8 of at most 259 characters";
        control.caption = w[at];
        ++at;
    }
    if (at < w.size()) return "unexpected '" + w[at] + "' after the caption";
    return std::nullopt;
}

}  // namespace

DialogTemplates ParseDialogTemplates(std::string_view text) {
    DialogTemplates result;
    std::set<std::string> names;
    std::set<uint32_t> ids;
    ForEachLine(text, Comments::Skip, [&](int number, std::string_view line) {
        auto fail = [&](std::string reason) { result.errors.push_back({number, std::move(reason)}); };
        const auto words = SplitWords(line);
        if (!words) return fail("unclosed quote");
        if (words->empty()) return;
        const std::string& keyword = words->front();
        if (keyword == "dialog") {
            DialogTemplate dialog;
            dialog.line = number;
            const size_t last = line.find_last_not_of(" \t");
            const bool titled = last != std::string_view::npos && line[last] == '"';
            if (auto problem = ParseDialog(*words, titled, dialog)) return fail(std::move(*problem));
            if (!names.insert(dialog.name).second) return fail("dialog '" + dialog.name + "' declared twice");
            ids.clear();
            result.dialogs.push_back(std::move(dialog));
            return;
        }
        if (keyword == "control") {
            if (result.dialogs.empty()) return fail("control before any dialog line");
            TemplateControl control;
            control.line = number;
            if (auto problem = ParseControl(*words, control)) return fail(std::move(*problem));
            auto& dialog = result.dialogs.back();
            if (dialog.controls.size() >= kMaxControlsPerDialog)
                return fail("more than " + std::to_string(kMaxControlsPerDialog) + " controls in one dialog");
            if (!ids.insert(control.id).second) return fail("control " + std::to_string(control.id) + " declared twice");
            dialog.controls.push_back(std::move(control));
            return;
        }
        fail("unknown line '" + keyword + "' (expected dialog or control)");
    });
    return result;
}

}  // namespace resources
