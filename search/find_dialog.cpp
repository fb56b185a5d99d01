#include "search/find_dialog.h"

#include "platform/hint.h"

#include "platform/message_service.h"
#include "search/find_host.h"
#include "search/radio_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv {

TfrmFindText::TfrmFindText(FindHost* dependent, QWidget* parent)
    : TfrmDDialog(parent)
    , m_pendingDependent(dependent)
{
    setObjectName(QStringLiteral("frmFindText"));
    setWindowTitle(tr("Find"));

    Label1 = new QLabel(tr("Fi&nd what:"), body());
    Label1->setObjectName(QStringLiteral("Label1"));
    ComboBox1 = new QComboBox(body());
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    // The history grows only through CommitSearchText, never by Enter in the box.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setDuplicatesEnabled(true);
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setMinimumWidth(260);
    setHint(ComboBox1, tr("Text to search for."));
    Label1->setBuddy(ComboBox1);

    chkMatchCase = new QCheckBox(tr("Match &case"), body());
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    setHint(chkMatchCase, tr("Case sensitivity."));

    rgTarget = new RadioGroup(tr("Target"),
                              {tr("Search Thumbnails"), tr("Search Location"),
                               tr("Search Source") + QString(35, QLatin1Char(' '))
                                   + QStringLiteral("------>")},
                              body());
    rgTarget->setObjectName(QStringLiteral("rgTarget"));
    setHint(rgTarget, tr("Select Displayed Thumbnails or Drive as  Search-Target."));
    sbNewSource = new QPushButton(QStringLiteral("<<"), rgTarget);
    sbNewSource->setObjectName(QStringLiteral("sbNewSource"));
    sbNewSource->setFixedWidth(40);
    setHint(sbNewSource, tr("Select source files."));
    rgTarget->grid()->addWidget(sbNewSource, kSearchSource, 1);

    rgDisplayMethod = new RadioGroup(
        tr("Display method:"),
        {tr("Select       - thumbnails containing search-text."),
         tr("Unselect   - thumbnails containing search-text."),
         tr("Show only - thumbnails containing search-text.")},
        body());
    rgDisplayMethod->setObjectName(QStringLiteral("rgDisplayMethod"));
    setHint(rgDisplayMethod,
            tr("Select/Deselect existing Thumbnails or show Thumbnails that match search."));

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(Label1);
    textRow->addWidget(ComboBox1, 1);
    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(textRow);
    column->addWidget(chkMatchCase);
    column->addWidget(rgTarget);
    column->addWidget(rgDisplayMethod);
    column->addStretch(1);

    rgTarget->setItemIndex(kSearchLocation);
    rgDisplayMethod->setItemIndex(kShowOnly);

    connect(rgTarget, &RadioGroup::Click, this, &TfrmFindText::rgTargetClick);
    connect(rgDisplayMethod, &RadioGroup::Click, this, &TfrmFindText::rgDisplayMethodClick);
    connect(sbNewSource, &QPushButton::clicked, this, &TfrmFindText::sbNewSourceClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TfrmFindText::HelpBtnClick);
    // OK commits the text before the dialog closes.
    disconnect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(OKBtn, &QPushButton::clicked, this, &TfrmFindText::OKBtnClick);
    ComboBox1->installEventFilter(this);

    ConnectDependent();
}

void TfrmFindText::ConnectDependent()
{
    Dependent = m_pendingDependent;
    if (!Dependent)
        showMessage(QStringLiteral("Unable to connect to dependent!"), this);
}

void TfrmFindText::SetFocus()
{
    ComboBox1->setFocus(Qt::OtherFocusReason);
}

void TfrmFindText::CommitSearchText()
{
    CommittedText = ComboBox1->currentText();
    ComboBox1->setEditText(QString());
    const auto exact = Qt::MatchExactly | Qt::MatchCaseSensitive;
    if (!CommittedText.isEmpty() && ComboBox1->findText(CommittedText, exact) < 0)
        ComboBox1->addItem(CommittedText);
    const int entry = ComboBox1->findText(CommittedText, exact);
    if (entry >= 0) {
        ComboBox1->setCurrentIndex(entry);
        ComboBox1->setEditText(ComboBox1->itemText(entry));
    }
}

void TfrmFindText::ComboBox1Exit()
{
    CommitSearchText();
}

void TfrmFindText::OKBtnClick()
{
    CommitSearchText();
    accept();
}

void TfrmFindText::rgTargetClick()
{
    if (rgTarget->ItemIndex() != kSearchThumbnails)
        rgDisplayMethod->setItemIndex(kShowOnly);
}

void TfrmFindText::rgDisplayMethodClick()
{
    if (rgDisplayMethod->ItemIndex() != kShowOnly)
        rgTarget->setItemIndex(kSearchThumbnails);
}

void TfrmFindText::sbNewSourceClick()
{
    rgTarget->setItemIndex(kSearchSource);
    if (Dependent && Dependent->showSelectDialog())
        Dependent->PickFiles();
}

void TfrmFindText::HelpBtnClick()
{
    if (Dependent)
        Dependent->ShowHelpContents();
}

bool TfrmFindText::eventFilter(QObject* watched, QEvent* event)
{
    // The text box loses the focus to another control of the dialog (a button
    // click included); opening its drop-down list or leaving the window is no exit.
    if (watched == ComboBox1 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            ComboBox1Exit();
    }
    return TfrmDDialog::eventFilter(watched, event);
}

} // namespace zv
