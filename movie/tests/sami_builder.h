// Builds SAMI files for the tests: the usual head with a style block, then one SYNC block per cue
// and a closing block that is never shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace movie::testing {

struct Cue {
    std::int32_t start_ms;
    std::string text;  // what follows "<SYNC Start=...>", as it stands in the file
};

inline std::string MakeSami(const std::vector<Cue>& cues, std::int32_t end_ms = -1) {
    std::string sami =
        "<SAMI>\r\n<HEAD>\r\n<TITLE>Film</TITLE>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\n"
        "P { margin-left:8pt; margin-right:8pt; }\r\n.KRCC { Name:Korean; lang:ko-KR; SAMIType:CC; }\r\n"
        "-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";
    for (const auto& cue : cues) sami += "<SYNC Start=" + std::to_string(cue.start_ms) + ">" + cue.text + "\r\n";
    if (end_ms >= 0) sami += "<SYNC Start=" + std::to_string(end_ms) + "><P Class=KRCC>&nbsp;\r\n";
    sami += "</BODY>\r\n</SAMI>\r\n";
    return sami;
}

// ASCII text as UTF-16 little-endian bytes with the byte-order mark.
inline std::string AsciiToUtf16File(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

}  // namespace movie::testing
