// A program's dialog templates (resources/<program>/dialog.txt):
//   dialog NAME WIDTHxHEIGHT [background ID] ["TITLE"]
//   control ID KIND X,Y WIDTHxHEIGHT STYLE[,STYLE...] [skin ID] ["CAPTION"]
// Controls belong to the dialog line above them. KIND is button, static, slider or seekbar (the
// skin dialog's kinds), or listbox, combobox or radio (standard controls of a plain dialog);
// STYLE words are left, center, right, vcenter, wordbreak, noprefix (or "-" for none). A
// dialog's title must be quoted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resources/line_reader.h"

namespace resources {

enum class ControlKind { Button, Static, Slider, SeekBar, ListBox, ComboBox, Radio };

// Alignment and text style bits; the values are the device's DrawText flags, so a template's
// style can be handed to DrawText as it stands.
enum TemplateStyle : uint32_t {
    kStyleLeft = 0x0000,
    kStyleCenter = 0x0001,
    kStyleRight = 0x0002,
    kStyleVCenter = 0x0004,
    kStyleWordBreak = 0x0010,
    kStyleNoPrefix = 0x0800,
};

struct TemplateControl {
    uint32_t id = 0;
    ControlKind kind = ControlKind::Button;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    uint32_t style = kStyleLeft;
    std::optional<uint32_t> skin;  // bitmap number
    std::string caption;           // UTF-8
    int line = 0;
    bool operator==(const TemplateControl&) const = default;
};

struct DialogTemplate {
    std::string name;
    int width = 0;
    int height = 0;
    std::optional<uint32_t> background;
    std::string title;  // UTF-8; empty when the line gives none
    std::vector<TemplateControl> controls;
    int line = 0;
    bool operator==(const DialogTemplate&) const = default;
};

// Far above any screen of the suite; a skin dialog holds fewer (see CSkinDialogEx).
constexpr size_t kMaxControlsPerDialog = 64;
constexpr int kMaxCoordinate = 4096;
constexpr size_t kMaxCaptionBytes = 259 * 3;

struct DialogTemplates {
    std::vector<DialogTemplate> dialogs;
    std::vector<ParseError> errors;
};

DialogTemplates ParseDialogTemplates(std::string_view text);

}  // namespace resources
