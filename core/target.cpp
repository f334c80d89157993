#include "core/target.h"

#include "support/aligned_alloc.h"

#include <cstring>

Target::~Target() { releaseAligned(samplingTable); }

bool Target::prepareTable(int mask, int reserve)
{
    const int64_t entries = static_cast<int64_t>(mask) + 1;
    if (entries < 1 || entries > INT32_MAX)
        return false;
    if (tableSize != entries) {
        const size_t bytes = align32(static_cast<size_t>(entries) * sizeof(Sample*));
        void* table = allocateAligned(bytes);
        if (!table)
            return false;
        std::memset(table, 0, bytes);
        releaseAligned(samplingTable);
        samplingTable = static_cast<Sample**>(table);
        tableSize = static_cast<int32_t>(entries);
    }
    if (reserve > 0)
        neighbours.reserve(static_cast<size_t>(reserve));
    return drawTable.reserve(sampleCount, mask) && rectMemo.reserve(sampleCount);
}

void Target::initModels(int n)
{
    candidate.allocate(n);
    candidate.fill(1.0f);
    candidate.normalize();
    reference.allocate(n);
    reference.fill(1.0f);
    reference.normalize();
}

float Target::measure(CvRect rect, const CvMat* plane)
{
    // Counting lists the bins the rectangle occupies; normalising and
    // comparing then visit only those, with the results of the full loops.
    OccupiedBins occupied;
    if (!candidate.accumulate(plane, rect.x, rect.y, rect.width, rect.height, occupied))
        candidate.fill(0.0f);
    candidate.normalizeOccupied(occupied);
    return static_cast<float>(reference.likelihoodAgainstOccupied(candidate, occupied));
}

bool Target::setReference(CvRect rect, const CvMat* plane)
{
    measure(rect, plane);
    return reference.copyFrom(candidate);
}
