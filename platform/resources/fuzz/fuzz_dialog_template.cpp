// Any bytes parse to a result without crashing; every problem names a line inside the input,
// and what parses holds to the format's rules: at most kMaxControlsPerDialog controls of a
// known kind per dialog, each id once in its dialog, sizes and coordinates in range, titles and
// captions of valid UTF-8. Seeds with every kind, titles and quotes are in corpus/.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "platform/resources/dialog_template.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using resources::ControlKind;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = resources::ParseDialogTemplates(text);
    for (const auto& error : result.errors)
        Check(error.line >= 1 && static_cast<size_t>(error.line) <= size + 1 && !error.reason.empty());
    for (const auto& dialog : result.dialogs) {
        Check(dialog.width >= 1 && dialog.width <= resources::kMaxCoordinate);
        Check(dialog.height >= 1 && dialog.height <= resources::kMaxCoordinate);
        Check(resources::IsValidUtf8(dialog.name) && resources::IsValidUtf8(dialog.title));
        Check(dialog.controls.size() <= resources::kMaxControlsPerDialog);
        std::set<uint32_t> ids;
        for (const auto& control : dialog.controls) {
            Check(ids.insert(control.id).second);
            Check(control.kind >= ControlKind::Button && control.kind <= ControlKind::Radio);
            Check(control.width >= 1 && control.height >= 1);
            Check(resources::IsValidUtf8(control.caption) && control.caption.size() <= resources::kMaxCaptionBytes);
            Check(control.line > dialog.line);
        }
    }
    return 0;
}
