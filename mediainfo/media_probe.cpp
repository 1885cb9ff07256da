// The probe chain: one table of tests, tried in order. Each test checks the file's size and
// its first bytes, and either declines (the chain goes on) or starts its reader and claims the
// file (the chain stops, whatever the reader then managed to fill).
#include "mediainfo/media_probe.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "mediainfo/id3_tag.h"
#include "mediainfo/mpeg_audio_frame.h"
#include "mediainfo/readers.h"

namespace mediainfo {
namespace {

enum class Claim { Declined, Claimed };

constexpr std::size_t kFirstBytes = 256;
constexpr std::size_t kCdxaSearchBytes = 0x200000;
constexpr std::size_t kMpegAudioFirstBytes = 1024;
constexpr std::size_t kMpegAudioSearchBytes = 2 * 1024 * 1024;
// The ASF header object GUID 75B22630-668E-11CF-A6D9-00AA0062CE6C as stored.
constexpr std::string_view kAsfHeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
constexpr std::uint8_t kPackStartCode[4] = {0x00, 0x00, 0x01, 0xBA};

std::uint32_t Be32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// Stores the file size and the reader's code, and claims the file.
Claim Start(FileSource& file, MediaInfo& info, HRESULT (*reader)(FileSource&, MediaInfo&))
{
    info.fileSize = file.Size();
    info.status = reader(file, info);
    return Claim::Claimed;
}

Claim ProbePicture(FileSource& file, MediaInfo& info, const ByteBuffer& first)
{
    std::uint8_t bytes[64];
    std::memcpy(bytes, first.Data(), sizeof bytes);
    if (bytes[0] == 0xFF && bytes[1] == 0xD8) {
        // A JPEG whose walk fails keeps the code in status and is declined.
        info.status = ReadJpegFile(file, info);
        if (info.status != kResultOk)
            return Claim::Declined;
        info.fileSize = file.Size();
        return Claim::Claimed;
    }
    if (!ReadPictureHeader(bytes, info))
        return Claim::Declined;
    info.fileSize = file.Size();
    return Claim::Claimed;
}

Claim ProbeRiff(FileSource& file, MediaInfo& info, const ByteBuffer& first)
{
    const std::uint32_t form = Be32(first.Data() + 8);
    if (form == FourCC("AVI "))
        return Start(file, info, ReadAviFile);
    if (form == FourCC("WAVE")) {
        // A WAVE file is read and then passed on: later tests may still claim it.
        Start(file, info, ReadWaveFile);
        return Claim::Declined;
    }
    return Claim::Declined;
}

// Brand codes of the ftyp box: 0 "mp41", 1 "mp42", 2 "isom", 3 "M4A ", 4 "MSNV", 5 "3gp1".."3gp6".
int BrandCode(std::uint32_t brand)
{
    constexpr std::uint32_t kBrands[] = {FourCC("mp41"), FourCC("mp42"), FourCC("isom"), FourCC("M4A "), FourCC("MSNV")};
    for (std::size_t i = 0; i < std::size(kBrands); ++i)
        if (brand == kBrands[i])
            return static_cast<int>(i);
    if ((brand & 0xFFFFFF00u) == (FourCC("3gp1") & 0xFFFFFF00u) && (brand & 0xFF) >= '1' && (brand & 0xFF) <= '6')
        return 5;
    return -1;
}

Claim ProbeMp4(FileSource& file, MediaInfo& info, const ByteBuffer& first)
{
    const int brand = FtypBrandCode(first.Data(), first.Size());
    if (brand < 0)
        return Claim::Declined;
    info.fileSize = file.Size();
    info.status = ReadMp4File(file, info, brand);
    return Claim::Claimed;
}

Claim ProbeAsf(FileSource& file, MediaInfo& info, const ByteBuffer& first)
{
    info.fileSize = file.Size();
    info.status = ReadAsfFile(file, info, Le32(first.Data() + 16));
    return Claim::Claimed;
}

Claim ProbeOgg(FileSource& file, MediaInfo& info, const ByteBuffer&)
{
    return Start(file, info, ReadOggFile);
}

Claim ProbeMpegProgram(FileSource& file, MediaInfo& info, const ByteBuffer& first)
{
    const bool cdxa = std::memcmp(first.Data(), "RIFF", 4) == 0 && std::memcmp(first.Data() + 8, "CDXA", 4) == 0;
    ByteBuffer search;
    const ByteBuffer* buffer = &first;
    if (cdxa) {
        // A video-CD track wraps its program stream in RIFF sectors; the first pack lies further in.
        if (ReadUpTo(file, 0, kCdxaSearchBytes, search) != ReadStatus::Ok)
            return Claim::Declined;
        buffer = &search;
    }
    const std::uint8_t* begin = buffer->Data();
    const std::uint8_t* end = begin + buffer->Size();
    const std::uint8_t* hit = std::search(begin, end, std::begin(kPackStartCode), std::end(kPackStartCode));
    if (hit == end)
        return Claim::Declined;
    info.fileSize = file.Size();
    info.status = ReadMpegPsFile(file, info, static_cast<std::uint64_t>(hit - begin), cdxa);
    return Claim::Claimed;
}

bool LooksLikeFrameStart(const std::uint8_t* p, bool behind_tag)
{
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && !(behind_tag && p[1] == 0xFE);
}

Claim ProbeMpegAudio(FileSource& file, MediaInfo& info, const ByteBuffer&)
{
    ByteBuffer head;
    if (ReadExact(file, 0, kMpegAudioFirstBytes, head) != ReadStatus::Ok)
        return Claim::Declined;
    const std::uint8_t* bytes = head.Data();
    const bool has_tag = std::memcmp(bytes, "ID3", 3) == 0 && bytes[4] == 0;
    const std::uint64_t tag_size = has_tag ? Id3v2BodySize(bytes) : 0;
    if (file.Size() < tag_size + kMpegAudioFirstBytes)
        return Claim::Declined;
    const std::uint64_t expected = has_tag ? tag_size + kId3HeaderSize : 0;
    ByteBuffer at_frame;
    if (ReadExact(file, expected, 2, at_frame) != ReadStatus::Ok)
        return Claim::Declined;
    if (LooksLikeFrameStart(at_frame.Data(), has_tag)) {
        info.fileSize = file.Size();
        info.status = ReadMpegAudioFile(file, info, tag_size);
        return Claim::Claimed;
    }
    if (!has_tag || tag_size == 0)
        return Claim::Declined;  // without a tag the file must begin with a frame
    // Something other than a frame follows the tag (padding that the size leaves out, junk):
    // look for a frame that a second one confirms.
    ByteBuffer search;
    if (ReadUpTo(file, kId3HeaderSize, kMpegAudioSearchBytes, search) != ReadStatus::Ok)
        return Claim::Declined;
    const std::size_t found = FindConfirmedMpegFrame(search.Data(), search.Size());
    if (found == SIZE_MAX)
        return Claim::Declined;
    info.fileSize = file.Size();
    info.status = ReadMpegAudioFile(file, info, found);
    return Claim::Claimed;
}

Claim ProbeFlac(FileSource& file, MediaInfo& info, const ByteBuffer& first)
{
    std::uint64_t start = 0;
    ByteBuffer moved;
    const ByteBuffer* bytes = &first;
    if (std::memcmp(first.Data(), "ID3", 3) == 0) {
        start = std::uint64_t{Id3v2BodySize(first.Data())} + kId3HeaderSize;
        if (ReadExact(file, start, kFirstBytes, moved) != ReadStatus::Ok)
            return Claim::Declined;
        bytes = &moved;
    }
    if (std::memcmp(bytes->Data(), "fLaC", 4) != 0)
        return Claim::Declined;
    info.fileSize = file.Size();
    info.status = ReadFlacFile(file, info, start);
    return Claim::Claimed;
}

Claim ProbeMonkeysAudio(FileSource& file, MediaInfo& info, const ByteBuffer&)
{
    return Start(file, info, ReadMonkeysAudioFile);
}

Claim ProbeFlv(FileSource& file, MediaInfo& info, const ByteBuffer&)
{
    return Start(file, info, ReadFlvFile);
}

// One line per test, in probe order: the smallest file it accepts, the bytes that must stand
// at an offset (none: the test looks itself), and the test.
struct ProbeTest {
    std::uint64_t minimum_size;
    std::size_t magic_offset;
    std::string_view magic;
    Claim (*run)(FileSource& file, MediaInfo& info, const ByteBuffer& first);
};

constexpr ProbeTest kProbeChain[] = {
    {64, 0, "", ProbePicture},
    {256, 0, "RIFF", ProbeRiff},
    {256, 4, "ftyp", ProbeMp4},
    {256, 0, kAsfHeaderGuid, ProbeAsf},
    {256, 0, "OggS", ProbeOgg},
    {0x40000, 0, "", ProbeMpegProgram},
    {1024, 0, "", ProbeMpegAudio},
    {256, 0, "", ProbeFlac},
    {256, 0, "MAC ", ProbeMonkeysAudio},
    {9, 0, "FLV", ProbeFlv},
};

}  // namespace

int FtypBrandCode(const std::uint8_t* first, std::size_t size)
{
    if (size < 16)
        return -1;
    int brand = BrandCode(Be32(first + 8));
    // Any other major brand: the compatible brands follow the minor version and the first known
    // one decides. Only brands inside both the box and the bytes read are looked at.
    const std::size_t box_end = std::min<std::size_t>(Be32(first), size);
    for (std::size_t offset = 16; brand < 0 && offset + 4 <= box_end; offset += 4)
        brand = BrandCode(Be32(first + offset));
    return brand;
}

HRESULT ProbeFile(FileSource& file, MediaInfo& info)
{
    ByteBuffer first;
    if (ReadUpTo(file, 0, kFirstBytes, first) != ReadStatus::Ok)
        return 0;
    for (const ProbeTest& test : kProbeChain) {
        if (file.Size() < test.minimum_size)
            continue;
        // Every test looks at no more than the first 256 bytes, which a file of its minimum
        // size holds (the picture test at most 64).
        if (first.Size() < std::min<std::uint64_t>(test.minimum_size, kFirstBytes))
            continue;
        if (test.magic_offset + test.magic.size() > first.Size() ||
            std::memcmp(first.Data() + test.magic_offset, test.magic.data(), test.magic.size()) != 0)
            continue;
        if (test.run(file, info, first) == Claim::Claimed)
            return 1;
    }
    return 0;
}

}  // namespace mediainfo
