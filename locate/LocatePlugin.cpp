// The shared module the program loads when it first reads a photo: the
// OpenCV work of this folder behind one exported table.
#include "LocateFunctions.h"

extern "C" __attribute__((visibility("default"))) const LocateFunctions *tarvello_locate_functions()
{
    static const LocateFunctions functions{LocateFunctions::kVersion, &LocateGridAndMarks, &FindMarks, &FindScreenCorners,
                                           &MeasureLinesAgainstMarks};
    return &functions;
}
