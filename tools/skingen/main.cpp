// skingen: renders a program's declared skin into numbered PNGs and installs its string table.
//   skingen install <resource folder> <output folder>
//   skingen sheet <resource folder> <png file>     one picture of the whole skin, for review
//   skingen preview <resource folder> <png file> [NAME]
//                                                  a dialog laid out with the skin: the one
//                                                  called NAME, else the folder's first
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/skingen/dialog_preview.h"
#include "tools/skingen/resource_set.h"

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (argc != 4 && !(argc == 5 && command == "preview")) {
        std::fprintf(stderr, "usage: skingen install <resource folder> <output folder>\n"
                             "       skingen sheet <resource folder> <png file>\n"
                             "       skingen preview <resource folder> <png file> [NAME]\n");
        return 2;
    }
    std::vector<std::string> problems;
    bool ok = false;
    if (command == "install") {
        ok = skingen::InstallResourceSet(argv[2], argv[3], problems);
    } else if (command == "sheet") {
        ok = skingen::SaveContactSheet(argv[2], argv[3], problems);
    } else if (command == "preview") {
        ok = skingen::SaveDialogPreview(argv[2], argv[3], 
                                        argc == 5 ? std::optional<std::string>(argv[4]) : std::nullopt, problems);
    } else {
        std::fprintf(stderr, "skingen: unknown command '%s'\n", command.c_str());
        return 2;
    }
    for (const auto& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    return ok ? 0 : 1;
}
