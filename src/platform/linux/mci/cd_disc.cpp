#include "platform/linux/mci/cd_disc.h"

#include <SDL_endian.h>
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/linux/mci/media_file.h"
#include "platform/linux/mci/mci_words.h"

namespace nuvra::linux_platform {

namespace {

// A sector that cannot be read after this many retries is skipped, so that a
// scratch costs a moment of silence rather than a stalled audio thread.
constexpr int kParanoiaRetries = 3;

void DropMessage(cdio_log_level_t, const char[]) {}

void NoProgress(long, paranoia_cb_mode_t) {}

bool EndsWith(std::string_view text, std::string_view ending)
{
    return text.size() >= ending.size() && EqualsIgnoringCase(text.substr(text.size() - ending.size()), ending);
}

driver_id_t DriverFor(const std::string& source)
{
    if (EndsWith(source, ".cue") || EndsWith(source, ".bin"))
        return DRIVER_BINCUE;
    if (EndsWith(source, ".toc"))
        return DRIVER_CDRDAO;
    if (EndsWith(source, ".nrg"))
        return DRIVER_NRG;
    return DRIVER_DEVICE;
}

}  // namespace

struct CdDisc::Handles {
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    std::int32_t paranoia_next = -1;  // the sector paranoia reads next
    bool paranoia_failed = false;

    void DropParanoia()
    {
        if (paranoia)
            cdio_paranoia_free(paranoia);
        if (drive)
            cdio_cddap_close_no_free_cdio(drive);
        paranoia = nullptr;
        drive = nullptr;
        paranoia_next = -1;
        paranoia_failed = false;
    }

    ~Handles()
    {
        DropParanoia();
        if (cdio)
            cdio_destroy(cdio);
    }
};

std::unique_ptr<CdDisc> CdDisc::Open(const std::string& source)
{
    cdio_log_set_handler(&DropMessage);
    // libcdio opens an image with a plain open(), which waits for ever on a
    // FIFO; what is neither an image file nor a drive is no disc at all.
    if (!source.empty() && !IsImageOrDrive(source))
        return nullptr;
    const driver_id_t driver = source.empty() ? DRIVER_DEVICE : DriverFor(source);
    auto handles = std::make_unique<Handles>();
    handles->cdio = cdio_open(source.empty() ? nullptr : source.c_str(), driver);
    if (!handles->cdio)
        return nullptr;
    return std::unique_ptr<CdDisc>(new CdDisc(std::move(handles), driver != DRIVER_DEVICE));
}

CdDisc::CdDisc(std::unique_ptr<Handles> handles, bool is_image) : m_handles(std::move(handles)), m_is_image(is_image)
{
}

CdDisc::~CdDisc() = default;

std::optional<CdToc> CdDisc::ReadToc()
{
    CdIo_t* cdio = m_handles->cdio;
    // A new disc needs a new paranoia reader.
    m_handles->DropParanoia();
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return std::nullopt;
    CdToc toc;
    toc.first_track = first;
    bool any_audio = false;
    for (int track = first; track < first + count; ++track) {
        const lsn_t start = cdio_get_track_lsn(cdio, static_cast<track_t>(track));
        if (start == CDIO_INVALID_LSN || (!toc.starts.empty() && start <= toc.starts.back()))
            return std::nullopt;
        const bool audio = cdio_get_track_format(cdio, static_cast<track_t>(track)) == TRACK_FORMAT_AUDIO;
        any_audio = any_audio || audio;
        toc.starts.push_back(start);
        toc.audio.push_back(audio);
    }
    toc.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (toc.leadout == CDIO_INVALID_LSN || toc.leadout <= toc.starts.back() || !any_audio)
        return std::nullopt;
    return toc;
}

bool CdDisc::MediaChanged()
{
    return !m_is_image && cdio_get_media_changed(m_handles->cdio) == 1;
}

bool CdDisc::TrayOpen()
{
    return !m_is_image && mmc_get_tray_status(m_handles->cdio) == 1;
}

bool CdDisc::ReadSector(std::int32_t sector, SectorSamples& samples)
{
    if (!m_is_image && ReadThroughParanoia(sector, samples))
        return true;
    std::uint8_t raw[CDIO_CD_FRAMESIZE_RAW];
    // Reads at the lead-out can fail with positive codes, so anything but
    // success is a failure.
    if (cdio_read_audio_sectors(m_handles->cdio, raw, sector, 1) != DRIVER_OP_SUCCESS)
        return false;
    // Audio on disc is little-endian whatever the host.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint16_t little;
        std::memcpy(&little, raw + 2 * i, sizeof little);
        samples[i] = static_cast<std::int16_t>(SDL_SwapLE16(little));
    }
    return true;
}

bool CdDisc::ReadThroughParanoia(std::int32_t sector, SectorSamples& samples)
{
    Handles& h = *m_handles;
    if (h.paranoia_failed)
        return false;
    if (!h.paranoia) {
        h.drive = cdio_cddap_identify_cdio(h.cdio, CDDA_MESSAGE_FORGETIT, nullptr);
        if (!h.drive || cdio_cddap_open(h.drive) != 0 || !(h.paranoia = cdio_paranoia_init(h.drive))) {
            // Not every drive speaks the commands paranoia needs; plain reads
            // still work on those.
            h.DropParanoia();
            h.paranoia_failed = true;
            return false;
        }
        cdio_paranoia_modeset(h.paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    }
    if (sector != h.paranoia_next)
        cdio_paranoia_seek(h.paranoia, sector, SEEK_SET);
    const std::int16_t* read = cdio_paranoia_read_limited(h.paranoia, &NoProgress, kParanoiaRetries);
    if (!read) {
        h.paranoia_next = -1;
        return false;
    }
    h.paranoia_next = sector + 1;
    std::copy(read, read + samples.size(), samples.begin());
    return true;
}

}  // namespace nuvra::linux_platform
