#pragma once

#include <QString>

#include <array>

// A guide-point position in plane units: one unit is one pixel of the module's
// 400 x 312 picture (grid x * 40, grid y * 25).
struct PlanePoint {
    double x = 0.0;
    double y = 0.0;

    bool operator==(const PlanePoint &) const = default;
};

// The one record of everything the installer configures. The configuration
// document holds the wizard's record and is the only one to change it: pages
// read it and edit it through the document (ConfigurationEdit), which brings
// edited values within their ranges. The configuration commands copy it to
// and from files. Nothing here checks ranges: a file may hold anything.
// The built-in values, keys and ranges of the fields are in
// ConfigurationTable.cpp; a new record holds those values and no points.
class Settings {
public:
    Settings();
    virtual ~Settings();

    bool Reflection{};           // false: picture mirrored in the camera, true: in the monitor
    int CameraShiftX{};          // grid shift (through SetCameraShift)
    int CameraShiftY{};
    int FontHeight{};            // label font height, pixels
    int LabelShiftX{};           // label offset, pixels
    int LabelShiftY{};
    QString BaseLineText;        // base-line label
    QString LabelLineText[4];    // labels at 1, 2, 3 and 4 m: "1" .. "4"
    int SideLineMode{};          // index in the border-label list
    int BaseLineMode{};          // 0 no base-line label, 1 centred
    int RearEnabled{};           // 0 no rear sensor, 1 "PZ - 118"
    int FrontEnabled{};
    int IndicatorX{};            // parking-sensor indicator position X ("MenuShift" in files)
    int IndicatorY{};            // parking-sensor indicator position Y ("MenuShiftY")
    int LineThickness{};         // border lines, plane units
    int CurveThickness{};
    int CurveTicks{};            // dash length of the curves
    int CurveTicksSpace{};       // gap length of the curves
    int WarningSeconds{};        // warning screen shown 1..5 seconds, 0 off ("WarningEnabled")
    int LineBrightness{};        // line brightness ("Bright1")
    int BackgroundBrightness{};  // background brightness ("Bright2")
    QString CustomFileLines;     // BMP chosen as guide-line picture; empty: built-in
    QString CustomFileWarning;   // BMP chosen as warning picture; empty: built-in

    // Guide points in plane units and their enabled flags. Slots 0-2 base
    // line, 3-7 left border, 8-12 right border, 13-17 left curve, 18-22 right
    // curve; 23-33 exist but are never stored in a file.
    std::array<PlanePoint, 34> Points{};
    std::array<unsigned char, 34> PointFlags{};

    double MirrorX{};            // symmetry line position, grid units
    double MirrorY{};            // grid y at which MirrorX applies
    double MirrorShift{};        // symmetry line deviation, grid units
    bool MirrorUsing{};          // right side computed from the symmetry line
    unsigned char CameraBrightness{};// only written to files; nothing sets it

    // Stores a point given in grid units (as plane units) with its flag. A
    // slot outside 0..33 is ignored.
    void SetPoint(int slot, double x, double y, unsigned char flag);
    // The point of a slot in grid units. A slot outside 0..33 gives 0, 0, 0.
    void GetPoint(int slot, double &x, double &y, unsigned char &flag) const;
    void SetCameraShift(int x, int y);

    // Whether two records hold the same configuration: every field a file holds.
    bool SameConfiguration(const Settings &other) const;
};
