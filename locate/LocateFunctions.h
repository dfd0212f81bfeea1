#pragma once

#include "LineCheck.h"
#include "PhotoLocation.h"

// The photo reading as the shared module `tarvello-locate` hands it to the
// program: one table of functions, asked for by its C name. The program and
// the module are built together from one tree with one compiler and one Qt,
// so the table passes C++ types; the version, always the first member,
// guards against a module left from another build. No call lets an
// exception out: whatever the image work throws ends in the module, and the
// call then finds nothing and says why in problem (never null).
struct LocateFunctions {
    static constexpr int kVersion = 4; // 4: the grid shift the photo was taken with
    int version = kVersion;
    PhotoLocation (*locate)(const QImage &picture, int gridShiftY) = nullptr;
    std::vector<MarkCandidate> (*findMarks)(const QImage &picture, const GridMapping &grid,
                                            QString *problem) = nullptr;
    std::optional<GridMapping::Corners> (*screenCorners)(const QImage &picture, QString *problem) = nullptr;
    std::optional<std::vector<LineDeviation>> (*measureLines)(const QImage &picture, const GridMapping &grid,
                                                              QString *problem) = nullptr;
};

// The module's one exported name.
#define TARVELLO_LOCATE_ENTRY "tarvello_locate_functions"
using LocateEntry = const LocateFunctions *(*)();
