// The board's T-DMB receiver, "DMB1:": it plays the band of the ensemble file named by
// device.conf "tdmb_ensemble" and answers the tuner filter's property calls as a tuner would.
//
// A scan step takes the band's dwell time and a change of frequency its lock time: the answer
// says how long the caller waits for it, and the server holds the reply back that long, so the
// server itself never blocks. devicectl changes what is on air at run time (signal, dropped
// services, a service's real audio) and reloads the file, which also undoes those changes.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "server/drivers/tdmb_ensemble.h"

namespace server::tdmb {

// What a request to the receiver gets: an error code (0 for success), its output and the time
// the caller waits for it.
struct ReceiverAnswer {
    std::uint32_t error = 0;
    std::vector<std::uint8_t> output;
    std::uint32_t delay_ms = 0;
};

// What the receiver has done since it started, for devicectl and the tests.
struct ReceiverCounts {
    std::uint32_t tunes = 0;       // service tunes asked for (property 3), failed ones included
    std::uint32_t failed_tunes = 0;
    std::uint32_t scans = 0;       // scans begun
    std::uint32_t scan_steps = 0;  // frequency indexes scanned
};

class Receiver {
public:
    using Log = std::function<void(const std::string&)>;

    // `ensemble_path` empty: no band (a scan finds nothing). A file that cannot be read is
    // logged as "file:line: reason" and leaves an empty band.
    Receiver(std::string ensemble_path, Log log);

    static bool IsReceiverName(const std::string& device_name);

    // One DeviceIoControl of the receiver; output_size is the room the caller gave.
    ReceiverAnswer IoControl(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t output_size);

    // devicectl's commands (the words after "tdmb"); the reply's first line is "ok" or
    // "error: ..." and a "state" reply (also for an empty command) lists the receiver's state.
    std::string Control(std::string_view command);

    const Band& OnAir() const { return m_band; }
    const ReceiverCounts& Counts() const { return m_counts; }

private:
    ReceiverAnswer Set(std::uint32_t property, const std::vector<std::uint32_t>& words);
    ReceiverAnswer Get(std::uint32_t property, const std::vector<std::uint32_t>& words, std::uint32_t output_size);
    ReceiverAnswer ScanStep(const std::vector<std::uint32_t>& words, std::uint32_t output_size);
    std::string TunedServiceText() const;
    std::string State() const;
    std::string Reload();

    const Ensemble* LockedEnsemble() const;
    // The service the tuner holds, on air; LockedService also when it was dropped since.
    const Service* TunedService() const;
    const Service* LockedService() const;
    Ensemble* FindEnsemble(std::uint32_t frequency_khz);
    Service* FindService(std::uint32_t service_id);
    bool MediaReadable(const Service& service) const;

    std::string m_path;
    Log m_log;
    Band m_band;
    std::string m_band_error;  // why the band is empty, when the file was refused
    std::uint32_t m_region = kRegionKorea;
    std::uint32_t m_band_number = 0;
    std::uint32_t m_frequency_khz = 0;  // locked frequency; 0: none
    std::uint32_t m_service_id = 0;     // tuned service; valid while m_service_tuned
    std::uint32_t m_subchannel_id = 0;
    bool m_service_tuned = false;
    std::set<std::uint32_t> m_dropped;  // service ids taken off air
    ReceiverCounts m_counts;
};

}  // namespace server::tdmb
