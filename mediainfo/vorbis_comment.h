// Vorbis comments ("KEY=value", UTF-8), as Ogg Vorbis and FLAC carry their tags.
#pragma once

#include "mediainfo/byte_cursor.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

// Reads the vendor string, the count and the comments (all lengths little-endian 32 bits) and
// fills title, artist, album, track and genre from TITLE, ARTIST, ALBUM, TRACKNUMBER and GENRE,
// keys compared without case. A comment that runs past the cursor ends the list.
void ReadVorbisComments(ByteCursor& cursor, MediaInfo& info);

}  // namespace mediainfo
