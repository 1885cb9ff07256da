// skingen: renders a program's declared skin into numbered PNGs and installs its string table.
//   skingen install <resource folder> <output folder>
//   skingen sheet <resource folder> <png file>     one picture of the whole skin, for review
//   skingen preview <resource folder> <png file>   its first dialog laid out with the skin
#include <cstdio>
#include <string>
#include <vector>

#include "tools/skingen/dialog_preview.h"
#include "tools/skingen/resource_set.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: skingen install <resource folder> <output folder>\n"
                             "       skingen sheet <resource folder> <png file>\n"
                             "       skingen preview <resource folder> <png file>\n");
        return 2;
    }
    const std::string command = argv[1];
    std::vector<std::string> problems;
    bool ok = false;
    if (command == "install") {
        ok = skingen::InstallResourceSet(argv[2], argv[3], problems);
    } else if (command == "sheet") {
        ok = skingen::SaveContactSheet(argv[2], argv[3], problems);
    } else if (command == "preview") {
        ok = skingen::SaveDialogPreview(argv[2], argv[3], problems);
    } else {
        std::fprintf(stderr, "skingen: unknown command '%s'\n", command.c_str());
        return 2;
    }
    for (const auto& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    return ok ? 0 : 1;
}
