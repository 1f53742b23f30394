#pragma once

// Labels drawn by the report engine: each band is one row of labels on the sheet, so the
// engine's pages are the sheets.
#include "LabelSheets.h"
#include "MailingLabels.h"
#include "report/Report.h"

#include <memory>

namespace labels {

// How long a household's list of names may grow on the sheet's labels (householdName's
// maxChars): what fits at a little below the labels' own size.
int nameChars(const LabelSheet &sheet);

// The labels on sheets of `sheet`, the first one at label position `startAt` (1 = top left,
// counted along the rows), so a sheet already partly used is used up first. Each label holds
// the name line and the address lines, left-aligned inside the label with a small inset, in
// the rosters' font; a line too long is drawn smaller down to a floor and only then cut with
// "…". Returns null when there are no labels.
std::shared_ptr<Report> buildLabelReport(const LabelSheet &sheet, const QList<MailingLabel> &labels,
                                         int startAt = 1);

} // namespace labels
