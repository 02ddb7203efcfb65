// Lookup of silhouette-edge candidates by their unordered vertex pair.
#include "models/CShadowEdgeTable.h"

#include <algorithm>

namespace
{
const size_t INITIAL_SLOTS = 1024;

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
    m_entries.clear();
    m_usedSlots = 0;
    if (++m_generation == 0)
    {
        // After 2^32 clears the stamps would repeat: wipe them once.
        for (Bucket& bucket : m_buckets)
        {
            bucket.generation = 0;
        }
        for (Slot& slot : m_slots)
        {
            slot.generation = 0;
        }
        m_generation = 1;
    }
}

int32_t& CShadowEdgeTable::ActiveEdge(int i, int j)
{
    const int smaller = std::min(i, j);
    const int larger = std::max(i, j);
    if (smaller >= 0 && larger < MAX_DIRECT_VERTEX)
    {
        return DirectEdge(smaller, larger);
    }
    return HashedEdge(smaller, larger);
}

int32_t& CShadowEdgeTable::DirectEdge(int smaller, int larger)
{
    if (static_cast<size_t>(smaller) >= m_buckets.size())
    {
        m_buckets.resize(std::max(static_cast<size_t>(smaller) + 1, 2 * m_buckets.size()));
    }
    Bucket& bucket = m_buckets[static_cast<size_t>(smaller)];
    if (bucket.generation != m_generation)
    {
        bucket.generation = m_generation;
        bucket.firstEntry = -1;
    }
    for (int32_t e = bucket.firstEntry; e >= 0; e = m_entries[static_cast<size_t>(e)].nextEntry)
    {
        if (m_entries[static_cast<size_t>(e)].larger == larger)
        {
            return m_entries[static_cast<size_t>(e)].edge;
        }
    }
    m_entries.push_back(Entry{larger, NO_EDGE, bucket.firstEntry});
    bucket.firstEntry = static_cast<int32_t>(m_entries.size() - 1);
    return m_entries.back().edge;
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

void CShadowEdgeTable::GrowHash()
{
    std::vector<Slot> old;
    old.swap(m_slots);
    m_slots.assign(std::max(INITIAL_SLOTS, old.size() * 2), Slot());
    // The new slots are stamped 0, never a live generation, so live entries move over as they
    // are and the rest of the table reads as empty.
    for (const Slot& slot : old)
    {
        if (slot.generation == m_generation)
        {
            m_slots[FindSlot(slot.key)] = slot;
        }
    }
}

int32_t& CShadowEdgeTable::HashedEdge(int smaller, int larger)
{
    // Kept at most half full so that probe runs stay short.
    if (2 * (m_usedSlots + 1) > m_slots.size())
    {
        GrowHash();
    }
    const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(smaller)) << 32) |
                         static_cast<uint32_t>(larger);
    Slot& slot = m_slots[FindSlot(key)];
    if (slot.generation != m_generation)
    {
        slot.key = key;
        slot.edge = NO_EDGE;
        slot.generation = m_generation;
        ++m_usedSlots;
    }
    return slot.edge;
}
