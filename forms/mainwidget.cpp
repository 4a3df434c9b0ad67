// Velmora: the main window's central form: panel tabs, page view and status line.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "mainwidget.h"

#include "docnames.h"

#include "mimesourcefactory.h"
#include "ui_mainwidget.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QPixmap>

#include <initializer_list>
#include <iterator>

namespace {

// The Help tab's overview of the set. The window sorts the list on the key.
struct HelpRow
{
    const char *key;
    const char *page;
    const char *icon;
    const char *title;
};

const HelpRow helpRows[] = {
    {QT_TRANSLATE_NOOP("MainWidget", "01"), QT_TRANSLATE_NOOP("MainWidget", "t1.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Introduction")},
    {QT_TRANSLATE_NOOP("MainWidget", "02"), QT_TRANSLATE_NOOP("MainWidget", "x95.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Further Facilities")},
    {QT_TRANSLATE_NOOP("MainWidget", "03"), QT_TRANSLATE_NOOP("MainWidget", "x145.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Application Deployment")},
    {QT_TRANSLATE_NOOP("MainWidget", "04"), QT_TRANSLATE_NOOP("MainWidget", "x263.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Things to Be Aware Of")},
    {QT_TRANSLATE_NOOP("MainWidget", "05"), QT_TRANSLATE_NOOP("MainWidget", "x381.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Signals and Slots")},
    {QT_TRANSLATE_NOOP("MainWidget", "06"), QT_TRANSLATE_NOOP("MainWidget", "x402.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Static Member Functions")},
    {QT_TRANSLATE_NOOP("MainWidget", "07"), QT_TRANSLATE_NOOP("MainWidget", "x409.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Enumerated Types")},
    {QT_TRANSLATE_NOOP("MainWidget", "08"), QT_TRANSLATE_NOOP("MainWidget", "x414.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Module Reference")},
    {QT_TRANSLATE_NOOP("MainWidget", "09"), QT_TRANSLATE_NOOP("MainWidget", "x424.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Core")},
    {QT_TRANSLATE_NOOP("MainWidget", "10"), QT_TRANSLATE_NOOP("MainWidget", "x3455.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: GUI")},
    {QT_TRANSLATE_NOOP("MainWidget", "11"), QT_TRANSLATE_NOOP("MainWidget", "x3540.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Widgets")},
    {QT_TRANSLATE_NOOP("MainWidget", "12"), QT_TRANSLATE_NOOP("MainWidget", "x3631.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Network")},
    {QT_TRANSLATE_NOOP("MainWidget", "13"), QT_TRANSLATE_NOOP("MainWidget", "x3662.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: SQL")},
    {QT_TRANSLATE_NOOP("MainWidget", "14"), QT_TRANSLATE_NOOP("MainWidget", "x3735.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: XML")},
    {QT_TRANSLATE_NOOP("MainWidget", "15"), QT_TRANSLATE_NOOP("MainWidget", "x3835.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Print Support")},
    {QT_TRANSLATE_NOOP("MainWidget", "16"), QT_TRANSLATE_NOOP("MainWidget", "x3978.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: Concurrent")},
    {QT_TRANSLATE_NOOP("MainWidget", "17"), QT_TRANSLATE_NOOP("MainWidget", "x4001.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Qt :: D-Bus")},
    {QT_TRANSLATE_NOOP("MainWidget", "18"), QT_TRANSLATE_NOOP("MainWidget", "vxabout.html"),
     "vxabout.png", QT_TRANSLATE_NOOP("MainWidget", "Velmora :: About")},
    {QT_TRANSLATE_NOOP("MainWidget", "19"), QT_TRANSLATE_NOOP("MainWidget", "vxicons.html"),
     "vxicons.png", QT_TRANSLATE_NOOP("MainWidget", "Velmora :: Icons")},
    {QT_TRANSLATE_NOOP("MainWidget", "20"), QT_TRANSLATE_NOOP("MainWidget", "vxlicense.html"),
     "vxabout.png", QT_TRANSLATE_NOOP("MainWidget", "Velmora :: License")},
    {QT_TRANSLATE_NOOP("MainWidget", "21"), QT_TRANSLATE_NOOP("MainWidget", "vxsupport.html"),
     "vxinfo.png", QT_TRANSLATE_NOOP("MainWidget", "Tessaravox :: Support")},
    {QT_TRANSLATE_NOOP("MainWidget", "22"), QT_TRANSLATE_NOOP("MainWidget", "vxproducts.html"),
     "vxproducts.png", QT_TRANSLATE_NOOP("MainWidget", "Tessaravox :: Products")},
    {QT_TRANSLATE_NOOP("MainWidget", "23"), QT_TRANSLATE_NOOP("MainWidget", "vxembeded.html"),
     "vxembeded.png", QT_TRANSLATE_NOOP("MainWidget", "Tessaravox :: Embedded")},
    {QT_TRANSLATE_NOOP("MainWidget", "24"), QT_TRANSLATE_NOOP("MainWidget", "vxbugs.html"),
     "vxbugs.png", QT_TRANSLATE_NOOP("MainWidget", "Tessaravox :: Bug Reports")},
};

// The image drawn at twice the size where a screen has two device pixels a
// pixel and the set has that drawing ("logo-2x.png" for "logo.png"); else null.
QPixmap doubleSizePixmap(const QString &name)
{
    if (qApp->devicePixelRatio() <= 1.0)
        return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(imageFromMimeSource(tarn::docnames::doubleSizeName(name)));
    pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

QIcon iconFromStore(const char *name)
{
    const QImage image = imageFromMimeSource(QLatin1String(name));
    if (image.isNull())
        return QIcon();
    QIcon icon(QPixmap::fromImage(image));
    const QPixmap sharp = doubleSizePixmap(QLatin1String(name));
    if (!sharp.isNull())
        icon.addPixmap(sharp);
    return icon;
}

// Section i of the header gets modes[i]; the user may drag only Interactive ones.
void setSectionModes(QTreeWidget *view, std::initializer_list<QHeaderView::ResizeMode> modes)
{
    int section = 0;
    for (const QHeaderView::ResizeMode mode : modes)
        view->header()->setSectionResizeMode(section++, mode);
}

} // namespace

MainWidget::MainWidget(QWidget *parent, const char *name, Qt::WindowFlags f)
    : QWidget(parent, f)
    , ui(std::make_unique<Ui::MainWidget>())
{
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("MainWidget"));
    ui->setupUi(this);

    splitter = ui->splitter;
    leftTabs = ui->leftTabs;
    tab = ui->tab;
    membersFrame = ui->membersFrame;
    membersLabel = ui->membersLabel;
    membersView = ui->membersView;
    classesFrame = ui->classesFrame;
    classesLabel = ui->classesLabel;
    classesView = ui->classesView;
    tab_2 = ui->tab_2;
    indexLineEdit = ui->indexLineEdit;
    contentsFrame = ui->contentsFrame;
    contentsLabel = ui->contentsLabel;
    indexView = ui->indexView;
    tab_3 = ui->tab_3;
    bookmarkFrame = ui->bookmarkFrame;
    bookmarksLabel = ui->bookmarksLabel;
    bookmarksView = ui->bookmarksView;
    tab_4 = ui->tab_4;
    aboutFrame = ui->aboutFrame;
    aboutView = ui->aboutView;
    aboutLabel = ui->aboutLabel;
    logoLabel = ui->logoLabel;
    browserFrame = ui->browserFrame;
    pageTabs = ui->pageTabs;
    browser = ui->browser;
    captionLabel = ui->captionLabel;
    toolbarFrame = ui->toolbarFrame;
    statusLabel = ui->statusLabel;

    // What the designer file cannot say: per-section resizing, and a logo
    // that lives in the embedded store rather than in a resource file.
    using Mode = QHeaderView::ResizeMode;
    setSectionModes(classesView, {Mode::Fixed, Mode::Fixed, Mode::Fixed});
    setSectionModes(membersView, {Mode::Fixed, Mode::Fixed});
    for (QTreeWidget *view : {bookmarksView, aboutView})
        setSectionModes(view, {Mode::Interactive, Mode::Fixed, Mode::Fixed});

    QPalette logoPalette = logoLabel->palette();
    logoPalette.setColor(QPalette::Window, QColor(255, 255, 255));
    logoLabel->setPalette(logoPalette);
    const QImage logo = imageFromMimeSource(QStringLiteral("logo.png"));
    if (!logo.isNull()) {
        const QPixmap sharp = doubleSizePixmap(QStringLiteral("logo.png"));
        logoLabel->setPixmap(sharp.isNull() ? QPixmap::fromImage(logo) : sharp);
        // The logo's right edge is white space: a narrow pane crops it
        // rather than growing to the logo's width, so the panes keep the
        // sizes they are given (280 at the first start).
        logoLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        logoLabel->setMinimumSize(1, logoLabel->sizeHint().height());
        logoLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

    languageChange();
    resize(QSize(685, 619).expandedTo(minimumSizeHint()));
}

MainWidget::~MainWidget() = default;

void MainWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        languageChange();
    QWidget::changeEvent(event);
}

void MainWidget::languageChange()
{
    // The designer file holds the labels, tab titles and column headers.
    ui->retranslateUi(this);

    aboutView->clear();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(int(std::size(helpRows)));
    for (const HelpRow &row : helpRows) {
        auto *item = new QTreeWidgetItem;
        item->setText(0, tr(row.title));
        item->setText(1, tr(row.page));
        item->setText(2, tr(row.key));
        item->setIcon(0, iconFromStore(row.icon));
        rows.append(item);
    }
    aboutView->addTopLevelItems(rows);

    // The logo shows only its pixmap. Setting the null text keeps it, since
    // the label's text is already null once a pixmap is set.
    logoLabel->setText(QString());
}
