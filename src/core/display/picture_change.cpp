// The show's picture changes: every ChangeInterval ticks of Timer4 the
// picture prepared ahead replaces the one on screen, and the next one is
// started; while the folder's walk goes on, the first picture stays until
// the whole list can be taken.
#include "display/display_form.h"

#include <optional>
#include <utility>

#include "display/picture_source.h"
#include "display/prepare_display.h"
#include "images/image_list.h"

namespace nuvra {

void DisplayForm::Timer4_Timer()
{
    NuvraS& form = m_form;
    form.ChangeTicks = static_cast<std::int16_t>(form.ChangeTicks + 1);
    if (form.ChangeTicks >= m_state.nuvra_b.settings.ChangeInterval) {
        form.ChangeTicks = 0;
        if (m_scan && !TakeScannedList())
            return;
        ShowNextPicture();
        PrepareDisplay(form, m_state.nuvra_b, m_platform);
        StartPrefetch();
    }
}

bool DisplayForm::TakeScannedList()
{
    if (!m_scan->Done())
        return false;
    NuvraB& b = m_state.nuvra_b;
    b.images = m_scan->TakeList();
    m_scan.reset();
    // The whole list in a fresh order, from its first place; the picture on
    // the screen came from this walk but not from this order.
    m_form.PictureIndex = 0;
    if (b.images.ImageCount > 0) {
        b.images.ShowOrder.assign(static_cast<std::size_t>(b.images.ImageCount) + 1, 0);
        BuildShowOrder(b.images, b.settings.OrderMode, *m_platform.random);
    }
    if (b.images.ImageCount <= 1) {
        m_form.Timer4.Disable();
        return false;
    }
    return true;
}

void DisplayForm::ShowNextPicture()
{
    if (!m_prefetch.started()) {
        LoadNextPicture(m_form, m_state.nuvra_b, m_platform);
        return;
    }
    // The picture prepared since the last change; one that could not be
    // prepared leaves the previous picture, and its work files, in place.
    m_form.PictureIndex = m_prefetch.index();
    if (std::optional<PreparedPicture> prepared = m_prefetch.Take())
        CommitPicture(m_form, std::move(*prepared), m_platform);
}

void DisplayForm::StartPrefetch()
{
    const std::int16_t next = NextPictureIndex(m_form, m_state.nuvra_b, m_platform);
    m_prefetch.Start(next, ListedPicturePath(m_state.nuvra_b.images, next), m_form.ScreenHeightPx,
                     *m_platform.pictures);
}

}  // namespace nuvra
