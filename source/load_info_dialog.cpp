#include "source/load_info_dialog.h"

#include "source/dialog_dependent.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace zv {

TfrmLoadInfo::TfrmLoadInfo(GridDependent* grid, MainWindowDependent* mainWindow, QWidget* parent)
    : TfrmDDialog(parent)
    , m_pendingGrid(grid)
    , m_pendingMain(mainWindow)
{
    setObjectName(QStringLiteral("frmLoadInfo"));
    setWindowTitle(tr("Load results"));

    auto makeLabel = [](const QString& name, const QString& text, QWidget* parent) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        return l;
    };

    Panel1 = new QFrame(body());
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Label3 = makeLabel(QStringLiteral("Label3"), QStringLiteral("Path :"), Panel1);
    Label7 = makeLabel(QStringLiteral("Label7"), QString(), Panel1);
    Label7->setFixedWidth(320);
    Label7->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* row1 = new QHBoxLayout(Panel1);
    row1->addWidget(Label3);
    row1->addWidget(Label7);
    row1->addStretch(1);

    Panel3 = new QFrame(body());
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Label4 = makeLabel(QStringLiteral("Label4"), QStringLiteral("File Type(s) Selected :"), Panel3);
    Label8 = makeLabel(QStringLiteral("Label8"), QString(), Panel3);
    Label1 = makeLabel(QStringLiteral("Label1"),
                       QStringLiteral("Total number of files to process : "), Panel3);
    Label10 = makeLabel(QStringLiteral("Label10"), QString(), Panel3);
    auto* rows = new QGridLayout(Panel3);
    rows->addWidget(Label4, 0, 0);
    rows->addWidget(Label8, 0, 1);
    rows->addWidget(Label1, 1, 0);
    rows->addWidget(Label10, 1, 1);
    rows->setColumnStretch(1, 1);

    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(Panel1);
    column->addWidget(Panel3);
    column->addStretch(1);

    ConnectDependent();
}

void TfrmLoadInfo::ConnectDependent()
{
    Dependent = m_pendingGrid;
    m_main = m_pendingMain;
}

void TfrmLoadInfo::LoadFromDependent()
{
    if (!m_main)
        return;
    Label7->setText(m_main->location());
    Label7->setToolTip(m_main->location()); // the label is of fixed width
    // Only the exact web mask names web files; every other mask is the graphics one.
    Label8->setText(m_main->selectFilterMask() == QLatin1String("*.HTM*")
                        ? QStringLiteral("Web files (*.htm;*.html)")
                        : QStringLiteral("Graphic files(*.gif;*.jpg)"));
    Label10->setText(QString::number(m_main->foundFilesCount()));
}

} // namespace zv
