#pragma once

#include "Rosters.h"

#include <QWidget>

class ReportPreview;

// A roster's preview window: the caption above, the preview with its toolbar below. Each of
// the eight reports is one of these, named after its report (rptAllMembers, ...).
class rptRoster : public QWidget {
    Q_OBJECT

public:
    rptRoster(const RosterInfo &info, RecordsetPtr rows, QWidget *parent = nullptr);
    const RosterInfo &info() const { return m_info; }
    ReportPreview *preview() const { return m_preview; }
    // Cascading sizes windows by their hint: a roster wants most of the main window.
    QSize sizeHint() const override;

private:
    const RosterInfo &m_info;
    ReportPreview *m_preview;
};
