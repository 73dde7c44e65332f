#include <bit>
#include <cmath>
#include <vector>

#include "images/image_list.h"

namespace nuvra {

namespace {

// pick = floor(r * remaining) + 1, held to 1..remaining: a generator that
// returns 1.0, a value just below it that rounds up in the product, a
// negative number or NaN must never select past the unused indexes.
std::int32_t PickFromDraw(double r, std::int32_t remaining)
{
    const double scaled = std::floor(r * static_cast<double>(remaining));
    if (!(scaled >= 0.0))
        return 1;
    if (scaled >= static_cast<double>(remaining))
        return remaining;
    return static_cast<std::int32_t>(scaled) + 1;
}

// The still-unused indexes 1..n as a Fenwick tree of 0/1 marks, so the
// pick-th unused index is found and taken in O(log n) rather than by walking
// every mark on every draw.
class UnusedIndexes {
public:
    explicit UnusedIndexes(std::int32_t count) : m_counts(static_cast<std::size_t>(count) + 1)
    {
        // All marks start at 1: each node covers (i - lowbit(i), i].
        for (std::int32_t i = 1; i <= count; ++i)
            m_counts[static_cast<std::size_t>(i)] = i & -i;
        m_top_step = static_cast<std::int32_t>(std::bit_floor(static_cast<std::uint32_t>(count)));
    }

    // Removes and returns the pick-th unused index in ascending order;
    // 1 <= pick <= number still unused.
    std::int32_t Take(std::int32_t pick)
    {
        const auto count = static_cast<std::int32_t>(m_counts.size() - 1);
        std::int32_t position = 0;
        for (std::int32_t step = m_top_step; step > 0; step >>= 1) {
            const std::int32_t next = position + step;
            if (next <= count && m_counts[static_cast<std::size_t>(next)] < pick) {
                position = next;
                pick -= m_counts[static_cast<std::size_t>(next)];
            }
        }
        const std::int32_t taken = position + 1;
        for (std::int32_t i = taken; i <= count; i += i & -i)
            --m_counts[static_cast<std::size_t>(i)];
        return taken;
    }

private:
    std::vector<std::int32_t> m_counts;
    std::int32_t m_top_step = 0;
};

}  // namespace

void BuildShowOrder(ImageList& list, OrderModeOption order_mode, platform::Random& random)
{
    const std::int32_t count = list.ImageCount;
    if (count < 1)
        return;
    // Start-up sizes ShowOrder, but the dialog may since have rebuilt a longer
    // list; never write past its end.
    if (list.ShowOrder.size() < static_cast<std::size_t>(count) + 1)
        list.ShowOrder.resize(static_cast<std::size_t>(count) + 1);

    if (order_mode == OrderModeOption::FileOrder) {
        for (std::int32_t i = 1; i <= count; ++i)
            list.ShowOrder[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i);
        return;
    }

    // Seeded once per order: re-seeding from a clock before every draw could
    // repeat the same number for a whole pass.
    random.Randomize();
    UnusedIndexes unused(count);
    for (std::int32_t k = 1, remaining = count; remaining > 0; ++k, --remaining) {
        const std::int32_t pick = PickFromDraw(random.Rnd(), remaining);
        list.ShowOrder[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(unused.Take(pick));
    }
}

}  // namespace nuvra
