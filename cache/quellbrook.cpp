#include "cache/quellbrook.h"

#include "core/prog_bar.h"
#include "platform/desktop.h"
#include "platform/file_paths.h"

#include <QPixmap>
#include <QVBoxLayout>

namespace zv {

namespace {

QFrame* makePanel(const char* name, QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

QLabel* makeLabel(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QProgressBar* makeBar(const char* name, const QString& hint, QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setToolTip(hint);
    bar->setGeometry(16, 0, 329, 16);
    return bar;
}

} // namespace

TQuellbrook::TQuellbrook(const QString& homeFolder, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Quellbrook"));
    setWindowTitle(QStringLiteral("Quellbrook"));
    setFixedSize(363, 428);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = makePanel("Panel1", this);
    Panel1->setFixedHeight(273);
    layout->addWidget(Panel1);

    Image1 = makeLabel("Image1", QString(), Panel1);
    const QPixmap picture(joinPath(homeFolder, QStringLiteral("quellbrook.png")));
    Image1->setPixmap(picture);
    Image1->setGeometry(10, 12, picture.isNull() ? 0 : picture.width(),
                        picture.isNull() ? 0 : picture.height());

    Label1 = makeLabel("Label1", QStringLiteral("Zorvane  -  web pages at a glance"), Panel1);
    Label1->setGeometry(31, 224, 295, 16);
    Label1->setAlignment(Qt::AlignCenter);

    Panel2 = makePanel("Panel2", this);
    layout->addWidget(Panel2, 1);
    auto* panel2Layout = new QVBoxLayout(Panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    Label4 = makeLabel("Label4", QStringLiteral(" Creating  cache database..."), Panel2);
    panel2Layout->addWidget(Label4);
    panel2Layout->addStretch(1);

    // The progress area keeps its designed places; it is not part of the layout.
    Label2 = makeLabel("Label2", QStringLiteral(":"), Panel2);
    Label2->setGeometry(0, 24, 353, 16);
    Label2->setAlignment(Qt::AlignCenter);
    ProgressBar1 = makeBar("ProgressBar1", QStringLiteral("Cache progress."), Panel2);
    ProgressBar1->move(16, 40);
    Label3 = makeLabel("Label3", QStringLiteral(":"), Panel2);
    Label3->setGeometry(0, 72, 353, 16);
    Label3->setAlignment(Qt::AlignCenter);
    ProgressBar2 = makeBar("ProgressBar2", QStringLiteral("Database progress"), Panel2);
    ProgressBar2->move(16, 88);

    m_cacheProgress = new ProgBar(this, ProgressBar1, Label2, nullptr);
    m_databaseProgress = new ProgBar(this, ProgressBar2, Label3, nullptr);

    centreOnScreen();
}

void TQuellbrook::centreOnScreen()
{
    zv::centreOnScreen(this);
}

} // namespace zv
