// The broadcast band Telecast's device tests play: the clips, made once per build into the
// build tree, and the ensemble file and device.conf that point the server's receiver at them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"

namespace telecast::test_band {

inline std::filesystem::path Clip(const char* name) { return std::filesystem::path(TELECAST_CLIP_DIR) / name; }

// Makes the broadcast clips unless this build already has them; call from SetUpTestSuite.
inline void MakeBroadcastClips()
{
    std::string failed;
    ASSERT_TRUE(platform::testing::MakeClips(TELECAST_CLIP_DIR, platform::testing::BroadcastClips(), failed))
        << failed;
}

// An ensemble file, written one ensemble and service at a time.
class Band {
public:
    Band(int dwell_ms, int lock_ms)
        : m_text("dwell_ms = " + std::to_string(dwell_ms) + "\nlock_ms = " + std::to_string(lock_ms) + "\n")
    {
    }

    Band& Ensemble(int frequency_khz, const std::string& id)
    {
        m_text += "[ensemble]\nfrequency = " + std::to_string(frequency_khz) + "\nid = " + id + "\n";
        return *this;
    }
    // A TV service playing the TV clip; `more` adds lines such as "audio = he-aac\n".
    Band& Tv(const std::string& name, const std::string& id, int sub_channel, const std::string& more = "")
    {
        return Service(name, id, sub_channel, "tv", "media = " + Clip("tv.ts").string() + "\n" + more);
    }
    // A radio service playing the radio clip; `more` adds slides and labels.
    Band& Radio(const std::string& name, const std::string& id, int sub_channel, const std::string& more = "")
    {
        return Service(name, id, sub_channel, "radio", "media = " + Clip("radio.ts").string() + "\n" + more);
    }
    // A radio service a scan finds but which has nothing to play.
    Band& Silent(const std::string& name, const std::string& id, int sub_channel)
    {
        return Service(name, id, sub_channel, "radio", "");
    }
    // `count` radio services named R0, R1, … with ids from 0x300: more than a scan step takes.
    Band& ManyRadio(int count, bool playable)
    {
        for (int i = 0; i < count; ++i) {
            const std::string name = "R" + std::to_string(i), id = std::to_string(0x300 + i);
            playable ? Radio(name, id, i) : Silent(name, id, i);
        }
        return *this;
    }

    const std::string& Text() const { return m_text; }

    // Writes the band beside the device's root and names it in device.conf, with the fake audio
    // output so tests play no sound.
    void WriteTo(const platform::testing::TemporaryDevice& device) const
    {
        std::ofstream(device.Root() / "band.txt") << m_text;
        std::ofstream(device.Root() / "device.conf") << "audio = fake\ntdmb_ensemble = band.txt\n";
    }

private:
    Band& Service(const std::string& name, const std::string& id, int sub_channel, const char* type,
                  const std::string& more)
    {
        m_text += "[service]\nname = " + name + "\nid = " + id + "\nsubchannel = " + std::to_string(sub_channel) +
                  "\ntype = " + type + "\n" + more;
        return *this;
    }

    std::string m_text;
};

// The radio's default picture where the PAD parser looks for it.
inline void InstallDefaultPicture(const platform::testing::TemporaryDevice& device)
{
    std::filesystem::create_directories(device.Root() / "fs" / "NAND");
    std::filesystem::copy_file(Clip("initDAB.jpg"), device.Root() / "fs" / "NAND" / "initDAB.jpg",
                               std::filesystem::copy_options::overwrite_existing);
}

}  // namespace telecast::test_band
