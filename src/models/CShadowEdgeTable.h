// Finds the active silhouette edge of an unordered vertex pair in constant time, so that toggling
// an edge does not scan the whole edge list. Open addressing with linear probing; a generation
// stamp per slot empties the table in constant time between builds.
#ifndef KYREL_CSHADOWEDGETABLE_H
#define KYREL_CSHADOWEDGETABLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

class CShadowEdgeTable
{
public:
    // Value of a slot whose pair has no active edge at present.
    static const int32_t NO_EDGE = -1;

    // Forgets every pair; keeps the memory.
    void Clear();

    // The index of the active edge of the unordered pair {i, j}, as a slot the caller updates;
    // a pair met for the first time since Clear is inserted with NO_EDGE. The reference stays
    // valid until the next call.
    int32_t& ActiveEdge(int i, int j);

private:
    struct Slot
    {
        uint64_t key = 0;
        int32_t edge = NO_EDGE;
        uint32_t generation = 0;  // the slot is in use when it equals the table's generation
    };

    void Grow();
    size_t FindSlot(uint64_t key) const;

    std::vector<Slot> m_slots;
    uint32_t m_generation = 1;
    size_t m_used = 0;
};

#endif
