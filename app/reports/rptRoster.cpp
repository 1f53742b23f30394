#include "rptRoster.h"
#include "common/modGlobal.h"
#include "report/ReportPreview.h"

#include <QMdiArea>
#include <QVBoxLayout>

rptRoster::rptRoster(const RosterInfo &info, RecordsetPtr rows, QWidget *parent)
    : QWidget(parent)
    , m_info(info)
    , m_preview(new ReportPreview(buildRosterReport(info, rows))) {
    setObjectName(QLatin1String(info.report));
    // The name read at start-up, even if the club's details were edited since.
    setWindowTitle(strClubName + QLatin1String(info.captionSuffix));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_preview);
    resize(1000, 700);
}

QSize rptRoster::sizeHint() const {
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (auto *area = qobject_cast<QMdiArea *>(w))
            return (area->viewport()->size() * 0.8).expandedTo(QSize(600, 400));
    return QSize(1000, 700);
}
