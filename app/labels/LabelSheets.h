#pragma once

// The label sheets a club buys, with the geometry their makers publish: where each label sits
// on the paper. One table, so a new sheet is one line.
#include <QString>
#include <array>

namespace labels {

enum class Paper { Letter, A4 };

// Lengths in millimetres; sheets published in inches are written with inch().
inline constexpr double inch(double inches) {
    return inches * 25.4;
}

struct LabelSheet {
    const char *code;        // "5160": what the box says, and the command line's name
    const char *description; // "Avery 5160 (US Letter, 30 per sheet, 2 5/8 x 1 in)"
    Paper paper;
    int columns;
    int rows;
    double topMargin;  // paper's top edge to the first row's top edge
    double leftMargin; // paper's left edge to the first column's left edge
    double labelWidth;
    double labelHeight;
    double horizontalPitch; // one column's left edge to the next one's
    double verticalPitch;   // one row's top edge to the next one's
    int perSheet() const { return columns * rows; }
};

inline constexpr std::array<LabelSheet, 6> LabelSheets{{
    {"5160", "Avery 5160 (US Letter, 30 per sheet, 2 5/8 x 1 in)", Paper::Letter, 3, 10, inch(0.5),
     inch(0.1875), inch(2.625), inch(1), inch(2.75), inch(1)},
    {"5161", "Avery 5161 (US Letter, 20 per sheet, 4 x 1 in)", Paper::Letter, 2, 10, inch(0.5),
     inch(0.15625), inch(4), inch(1), inch(4.1875), inch(1)},
    {"5163", "Avery 5163 (US Letter, 10 per sheet, 4 x 2 in)", Paper::Letter, 2, 5, inch(0.5),
     inch(0.15625), inch(4), inch(2), inch(4.1875), inch(2)},
    {"L7160", "Avery L7160 (A4, 21 per sheet, 63.5 x 38.1 mm)", Paper::A4, 3, 7, 15.15, 7.21, 63.5,
     38.1, 66.04, 38.1},
    {"L7163", "Avery L7163 (A4, 14 per sheet, 99.1 x 38.1 mm)", Paper::A4, 2, 7, 15.15, 4.65, 99.1,
     38.1, 101.6, 38.1},
    {"L7651", "Avery L7651 (A4, 65 per sheet, 38.1 x 21.2 mm)", Paper::A4, 5, 13, 10.7, 4.75, 38.1,
     21.2, 40.6, 21.2},
}};

// The sheet by its code ("5160", "l7160"; "Avery 5160" too), letter case ignored; null when
// there is none.
const LabelSheet *sheetByCode(const QString &code);
// The paper's width and height in millimetres.
double paperWidth(Paper paper);
double paperHeight(Paper paper);

} // namespace labels
