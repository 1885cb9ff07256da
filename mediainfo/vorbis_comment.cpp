#include "mediainfo/vorbis_comment.h"

#include <string_view>

#include "mediainfo/text_field.h"

namespace mediainfo {
namespace {

struct CommentKey {
    std::string_view key;
    TextField MediaInfo::*text;
    std::int32_t MediaInfo::*flag;
};

constexpr CommentKey kCommentKeys[] = {
    {"TITLE", &MediaInfo::title, &MediaInfo::hasTitle},
    {"ARTIST", &MediaInfo::artist, &MediaInfo::hasArtist},
    {"ALBUM", &MediaInfo::album, &MediaInfo::hasAlbum},
    {"TRACKNUMBER", &MediaInfo::track, &MediaInfo::hasTrack},
    {"GENRE", &MediaInfo::genre, &MediaInfo::hasGenre},
};

bool SameWithoutCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

void ReadVorbisComments(ByteCursor& cursor, MediaInfo& info)
{
    std::uint32_t vendor_length = 0, count = 0;
    if (!cursor.ReadU32Le(vendor_length) || !cursor.Skip(vendor_length) || !cursor.ReadU32Le(count))
        return;
    // Each comment takes at least its 4-byte length, so a lying count ends with the cursor.
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!cursor.ReadU32Le(length) || length > cursor.Remaining())
            return;
        ByteCursor comment = cursor.Sub(length);
        const std::string_view text(reinterpret_cast<const char*>(comment.Current()), comment.Remaining());
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos)
            continue;
        for (const CommentKey& key : kCommentKeys) {
            if (!SameWithoutCase(text.substr(0, equals), key.key) || info.*key.flag)
                continue;
            if (SetTextFromUtf8(info.*key.text, text.substr(equals + 1)) > 0)
                info.*key.flag = 1;
        }
    }
}

}  // namespace mediainfo
