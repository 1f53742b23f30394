#include "HelpWindow.h"
#include "core/Failure.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QHash<QString, QPointer<HelpWindow>> &openWindows() {
    static QHash<QString, QPointer<HelpWindow>> w;
    return w;
}

QString keyOf(const QString &helpFile) {
    return QFileInfo(helpFile).absoluteFilePath();
}

// The help file itself is only read; the engine keeps its register and search index in a
// collection beside it, or in the user's cache when the program's folder is read-only.
QString collectionFor(const QString &helpFile) {
    const QFileInfo fi(helpFile);
    const QFileInfo dir(fi.absolutePath());
    if (dir.isWritable())
        return fi.absolutePath() + u'/' + fi.completeBaseName() + QStringLiteral(".qhc");
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/help");
    QDir().mkpath(cache);
    const QByteArray hash =
        QCryptographicHash::hash(fi.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return cache + u'/' + QString::fromLatin1(hash) + QStringLiteral(".qhc");
}

class HelpBrowser : public QTextBrowser {
public:
    HelpBrowser(QHelpEngine *engine, QWidget *parent)
        : QTextBrowser(parent)
        , m_engine(engine) {
        setOpenExternalLinks(true);
    }

    QVariant loadResource(int type, const QUrl &name) override {
        if (name.scheme() == QLatin1String("qthelp"))
            return m_engine->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine *m_engine;
};

class ContextHelpFilter : public QObject {
public:
    explicit ContextHelpFilter(std::function<QString()> helpFile, QObject *parent)
        : QObject(parent)
        , m_helpFile(std::move(helpFile)) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        if (static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1)
            return false;
        const QString key = contextHelpKey(static_cast<QWidget *>(watched));
        // The event loop must never see a failure: without a help file F1 does nothing.
        skipOnFailure([&] { HelpWindow::showTopic(m_helpFile(), key); });
        return true;
    }

private:
    std::function<QString()> m_helpFile;
};

} // namespace

HelpWindow::HelpWindow(const QString &helpFile)
    : m_helpFile(keyOf(helpFile)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Help"));
    resize(900, 620);

    m_engine = new QHelpEngine(collectionFor(m_helpFile), this);
    m_engine->setReadOnly(false);
    if (!m_engine->setupData())
        throw Failure(ErrNo::PathFileAccess, m_engine->error());
    const QString ns = QHelpEngineCore::namespaceName(m_helpFile);
    if (ns.isEmpty())
        throw Failure(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
    // A collection copied from another folder still names that folder's file.
    if (m_engine->registeredDocumentations().contains(ns)
        && keyOf(m_engine->documentationFileName(ns)) != m_helpFile)
        m_engine->unregisterDocumentation(ns);
    if (!m_engine->registeredDocumentations().contains(ns)
        && !m_engine->registerDocumentation(m_helpFile))
        throw Failure(ErrNo::PathFileAccess, m_engine->error());

    m_browser = new HelpBrowser(m_engine, this);
    m_browser->setObjectName(QStringLiteral("helpPage"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("helpViews"));
    QHelpContentWidget *contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("helpContents"));
    m_tabs->addTab(contents, tr("Contents"));

    auto *indexPage = new QWidget(m_tabs);
    auto *indexFilter = new QLineEdit(indexPage);
    indexFilter->setObjectName(QStringLiteral("helpIndexFilter"));
    indexFilter->setPlaceholderText(tr("Type a word to look for"));
    QHelpIndexWidget *index = m_engine->indexWidget();
    index->setObjectName(QStringLiteral("helpIndex"));
    auto *indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(0, 0, 0, 0);
    indexLayout->addWidget(indexFilter);
    indexLayout->addWidget(index);
    m_tabs->addTab(indexPage, tr("Index"));

    QHelpSearchEngine *search = m_engine->searchEngine();
    auto *searchPage = new QWidget(m_tabs);
    auto *searchLayout = new QVBoxLayout(searchPage);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    search->queryWidget()->setObjectName(QStringLiteral("helpSearchQuery"));
    search->resultWidget()->setObjectName(QStringLiteral("helpSearchResults"));
    searchLayout->addWidget(search->queryWidget());
    searchLayout->addWidget(search->resultWidget(), 1);
    m_tabs->addTab(searchPage, tr("Search"));

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    setCentralWidget(splitter);

    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showPage);
    connect(indexFilter, &QLineEdit::textChanged, index,
            [index](const QString &text) { index->filterIndices(text); });
    connect(indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink &link, const QString &) { showPage(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink> &links, const QString &) {
                if (!links.isEmpty())
                    showPage(links.first().url);
            });
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, search,
            [search] { search->search(search->queryWidget()->searchInput()); });
    connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, this,
            &HelpWindow::showPage);
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
        const QModelIndex root = m_engine->contentModel()->index(0, 0);
        if (root.isValid())
            setWindowTitle(root.data().toString());
        m_engine->contentWidget()->expandToDepth(0);
        if (m_homeWanted)
            showHome();
        Q_EMIT contentsReady();
    });

    // The models fill in the background; the index for searching is built once per file.
    m_engine->contentModel()->createContents(QString());
    m_engine->indexModel()->createIndex(QString());
    search->scheduleIndexDocumentation();
}

HelpWindow *HelpWindow::find(const QString &helpFile) {
    return openWindows().value(keyOf(helpFile));
}

namespace {
HelpWindow *openWindow(const QString &helpFile, const std::function<HelpWindow *()> &create) {
    if (!QFileInfo::exists(helpFile))
        throw Failure(ErrNo::FileNotFound, QStringLiteral("File not found"));
    if (HelpWindow *w = HelpWindow::find(helpFile))
        return w;
    HelpWindow *w = create();
    openWindows().insert(keyOf(helpFile), w);
    return w;
}
} // namespace

HelpWindow *HelpWindow::showContents(const QString &helpFile) {
    HelpWindow *w = openWindow(helpFile, [&] { return new HelpWindow(helpFile); });
    w->m_tabs->setCurrentIndex(0);
    w->showHome();
    w->present();
    return w;
}

HelpWindow *HelpWindow::showTopic(const QString &helpFile, const QString &key) {
    HelpWindow *w = openWindow(helpFile, [&] { return new HelpWindow(helpFile); });
    const QUrl page = w->pageFor(key);
    if (page.isEmpty()) {
        w->m_tabs->setCurrentIndex(0);
        w->showHome();
    } else {
        w->m_homeWanted = false;
        w->showPage(page);
    }
    w->present();
    return w;
}

QUrl HelpWindow::pageFor(const QString &key) const {
    if (key.isEmpty())
        return {};
    QList<QHelpLink> links = m_engine->documentsForIdentifier(key);
    // A part of a window without a page of its own opens the window's page.
    if (links.isEmpty() && key.contains(u'.'))
        links = m_engine->documentsForIdentifier(key.section(u'.', 0, 0));
    if (links.isEmpty() && key.size() > 3)
        links = m_engine->documentsForIdentifier(key.left(3));
    return links.isEmpty() ? QUrl() : links.first().url;
}

QUrl HelpWindow::contentsHome() const {
    const QModelIndex root = m_engine->contentModel()->index(0, 0);
    if (!root.isValid())
        return {};
    if (const QHelpContentItem *item = m_engine->contentModel()->contentItemAt(root))
        return item->url();
    return {};
}

QUrl HelpWindow::currentPage() const {
    return m_browser->source();
}

void HelpWindow::showHome() {
    const QUrl home = contentsHome();
    // Until the contents are read, the first page follows as soon as they are.
    m_homeWanted = home.isEmpty();
    if (!home.isEmpty())
        showPage(home);
}

void HelpWindow::showPage(const QUrl &url) {
    if (url.isEmpty())
        return;
    m_browser->setSource(url);
    m_engine->contentWidget()->setCurrentIndex(m_engine->contentWidget()->indexOf(url));
}

void HelpWindow::present() {
    // Over a modal window the help must itself be modal, or it could not be used. Once modal
    // it is the top of the modal stack itself, so the window under it is what counts.
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool overModal = std::any_of(windows.cbegin(), windows.cend(), [this](QWidget *w) {
        return w != this && w->isVisible() && w->isModal();
    });
    const Qt::WindowModality wanted = overModal ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        if (isVisible())
            hide();
        setWindowModality(wanted);
    }
    show();
    raise();
    activateWindow();
}

QString contextHelpKey(QWidget *widget) {
    auto name = [](const QWidget *w) {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                         : w->objectName();
    };
    const QString topic = widget ? widget->property(HelpTopicProperty).toString() : QString();
    auto withTopic = [&topic](const QString &key) {
        return topic.isEmpty() ? key : key + u'.' + topic;
    };
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w); sub && sub->widget())
            return withTopic(name(sub->widget()));
        if (qobject_cast<QMdiSubWindow *>(w->parentWidget()) || w->isWindow())
            return withTopic(name(w));
    }
    return {};
}

void installContextHelp(std::function<QString()> helpFile) {
    static QPointer<ContextHelpFilter> installed;
    if (installed)
        delete installed;
    installed = new ContextHelpFilter(std::move(helpFile), qApp);
    qApp->installEventFilter(installed);
}
