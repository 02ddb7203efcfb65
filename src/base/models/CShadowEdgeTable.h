/// \file
/// Finds the active silhouette edge of an unordered vertex pair in constant time, so that toggling
/// an edge does not scan the whole edge list. Pairs are chained in buckets addressed directly by
/// their smaller vertex index, which keeps neighbouring faces' edges close in memory; pairs with
/// an index outside that range (negative or huge) go to an open-addressing hash instead. Both
/// are emptied in constant time between builds by generation stamps.
#ifndef KYREL_CSHADOWEDGETABLE_H
#define KYREL_CSHADOWEDGETABLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

/// The shadow-volume builder's index from vertex pairs to active edges.
class CShadowEdgeTable
{
public:
    /// Value of a slot whose pair has no active edge at present.
    static const int32_t NO_EDGE = -1;
    /// Smaller vertex indices from 0 below this one are addressed directly.
    static const int MAX_DIRECT_VERTEX = 1 << 24;

    /// Forgets every pair; keeps the memory.
    void Clear();

    /// The index of the active edge of the unordered pair {i, j}, as a slot the caller updates;
    /// a pair met for the first time since Clear is inserted with NO_EDGE. The reference stays
    /// valid until the next call.
    int32_t& ActiveEdge(int i, int j);

private:
    struct Bucket
    {
        int32_t firstEntry = -1;
        uint32_t generation = 0;  ///< the bucket is in use when it equals the table's generation
    };
    struct Entry
    {
        int32_t larger;     ///< the pair's larger vertex index
        int32_t edge;       ///< active edge or NO_EDGE
        int32_t nextEntry;  ///< next pair of the same bucket, -1 at the end
    };
    struct Slot
    {
        uint64_t key = 0;
        int32_t edge = NO_EDGE;
        uint32_t generation = 0;
    };

    int32_t& DirectEdge(int smaller, int larger);
    int32_t& HashedEdge(int smaller, int larger);
    void GrowHash();
    size_t FindSlot(uint64_t key) const;

    uint32_t m_generation = 1;
    std::vector<Bucket> m_buckets;
    std::vector<Entry> m_entries;
    std::vector<Slot> m_slots;
    size_t m_usedSlots = 0;
};

#endif
