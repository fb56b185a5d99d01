#include "dialogs/about_box.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv {

QPixmap TAboutBox::picture(const QSize& size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x1d, 0x4e, 0x89));
    sky.setColorAt(1, QColor(0x0a, 0x24, 0x48));
    p.fillRect(pm.rect(), sky);

    // Three rows of four little pages, each with a title bar and lines of text.
    const int cols = 4, rows = 3;
    const qreal gap = size.width() / 28.0;
    const qreal w = (size.width() - gap * (cols + 1)) / cols;
    const qreal h = (size.height() - gap * (rows + 1)) / rows;
    const QColor accents[] = {QColor(0xe0, 0x6c, 0x3c), QColor(0x4c, 0xa3, 0x5f),
                              QColor(0x3f, 0x7f, 0xd8), QColor(0xc9, 0xa2, 0x27)};
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const QRectF page(gap + c * (w + gap), gap + r * (h + gap), w, h);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 70));
            p.drawRect(page.translated(2, 2));
            p.setBrush(Qt::white);
            p.drawRect(page);
            p.setBrush(accents[(r + c) % 4]);
            p.drawRect(QRectF(page.left(), page.top(), page.width(), page.height() * 0.2));
            p.setPen(QPen(QColor(0x99, 0x99, 0x99), 1));
            for (qreal y = page.top() + page.height() * 0.35; y < page.bottom() - 3;
                 y += page.height() * 0.14) {
                const qreal len = page.width() * (0.55 + 0.35 * (((r * 7 + c * 3 + int(y)) % 5) / 4.0));
                p.drawLine(QPointF(page.left() + 4, y), QPointF(page.left() + len - 4, y));
            }
        }
    }
    // The selected tile of the grid.
    p.setPen(QPen(QColor(0xff, 0xd7, 0x00), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(gap + (w + gap), gap + (h + gap), w, h).adjusted(-2, -2, 2, 2));
    p.end();
    return pm;
}

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(picture(QSize(280, 150)));
    ProgramIcon->setAlignment(Qt::AlignCenter);
    auto* pictureRow = new QHBoxLayout(Panel1);
    pictureRow->addWidget(ProgramIcon);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    auto label = [this](const QString& name, const QString& text) {
        auto* l = new QLabel(text, Panel2);
        l->setObjectName(name);
        return l;
    };
    ProductName = label(QStringLiteral("ProductName"), QStringLiteral("Zorvane"));
    QFont big = ProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    ProductName->setFont(big);
    Version = label(QStringLiteral("Version"), QStringLiteral("Version 1.03"));
    Copyright = label(QStringLiteral("Copyright"), QStringLiteral("Made by Kesh"));
    Comments = label(QStringLiteral("Comments"),
                     QStringLiteral("Thumbnail views of web pages and browser caches"));
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("For Linux desktops, built on Qt 6"));
    Memo1 = new QPlainTextEdit(Panel2);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setPlainText(QStringLiteral(
        "Built with the Qt 6 toolkit.\n"
        "Cache tables written with shapelib.\n"
        "Internet Explorer caches read with libmsiecf.\n"
        "Page fonts from the Liberation family.\n"
        "Thanks to everyone who sent in pages that broke it."));
    Memo1->setEnabled(false);
    Memo1->setFixedHeight(110);
    auto* texts = new QVBoxLayout(Panel2);
    texts->addWidget(ProductName);
    texts->addWidget(Version);
    texts->addWidget(Copyright);
    texts->addWidget(Comments);
    texts->addWidget(Label1);
    texts->addWidget(Memo1);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("Panel3"));
    OKButton = new QPushButton(tr("OK"), bottom);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    auto* buttonRow = new QHBoxLayout(bottom);
    buttonRow->addStretch(1);
    buttonRow->addWidget(OKButton);
    buttonRow->addStretch(1);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);
    layout->addWidget(bottom);
    // A fixed dialog border: the box keeps the size its contents need.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace zv
