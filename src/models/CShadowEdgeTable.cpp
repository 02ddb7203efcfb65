// Hash table of silhouette-edge candidates keyed by their unordered vertex pair.
#include "models/CShadowEdgeTable.h"

#include <algorithm>

namespace
{
const size_t INITIAL_SLOTS = 1024;

uint64_t PairKey(int i, int j)
{
    uint32_t low = static_cast<uint32_t>(std::min(i, j));
    uint32_t high = static_cast<uint32_t>(std::max(i, j));
    return (static_cast<uint64_t>(low) << 32) | high;
}

// 64-bit finaliser (MurmurHash3's fmix64): neighbouring pairs land far apart.
uint64_t Mix(uint64_t key)
{
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53ULL;
    key ^= key >> 33;
    return key;
}
}  // namespace

void CShadowEdgeTable::Clear()
{
    m_used = 0;
    if (++m_generation == 0)
    {
        // After 2^32 clears the stamps would repeat: wipe them once.
        for (Slot& slot : m_slots)
        {
            slot.generation = 0;
        }
        m_generation = 1;
    }
}

size_t CShadowEdgeTable::FindSlot(uint64_t key) const
{
    const size_t mask = m_slots.size() - 1;
    size_t index = static_cast<size_t>(Mix(key)) & mask;
    while (m_slots[index].generation == m_generation && m_slots[index].key != key)
    {
        index = (index + 1) & mask;
    }
    return index;
}

void CShadowEdgeTable::Grow()
{
    std::vector<Slot> old;
    old.swap(m_slots);
    m_slots.assign(std::max(INITIAL_SLOTS, old.size() * 2), Slot());
    const uint32_t liveGeneration = m_generation;
    m_generation = 1;
    for (const Slot& slot : old)
    {
        if (slot.generation == liveGeneration)
        {
            Slot& target = m_slots[FindSlot(slot.key)];
            target = slot;
            target.generation = m_generation;
        }
    }
}

int32_t& CShadowEdgeTable::ActiveEdge(int i, int j)
{
    // Kept at most half full so that probe runs stay short.
    if (2 * (m_used + 1) > m_slots.size())
    {
        Grow();
    }
    const uint64_t key = PairKey(i, j);
    Slot& slot = m_slots[FindSlot(key)];
    if (slot.generation != m_generation)
    {
        slot.key = key;
        slot.edge = NO_EDGE;
        slot.generation = m_generation;
        ++m_used;
    }
    return slot.edge;
}
