#include "source/dialog_base.h"

#include "platform/desktop.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace zv {

TfrmDDialog::TfrmDDialog(QWidget* parent)
    : QDialog(parent)
{
    auto* outer = new QVBoxLayout(this);
    m_body = new QWidget(this);
    m_body->setObjectName(QStringLiteral("body"));
    outer->addWidget(m_body, 1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    m_buttonRow = new QHBoxLayout(Panel2);
    m_buttonRow->setContentsMargins(0, 0, 0, 0);
    m_buttonRow->addStretch(1);

    OKBtn = new QPushButton(tr("OK"), Panel2);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(tr("Cancel"), Panel2);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(tr("&Help"), Panel2);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    m_buttonRow->addWidget(OKBtn);
    m_buttonRow->addWidget(CancelBtn);
    m_buttonRow->addWidget(HelpBtn);
    outer->addWidget(Panel2);

    // Esc already ends a QDialog with reject(), which is the Cancel result.
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Spontaneous show events come from the window system (e.g. un-minimizing);
    // only the program's own showing refreshes the controls.
    if (event->spontaneous())
        return;
    centreOnScreen(this);
    LoadFromDependent();
    SetFocus();
}

} // namespace zv
