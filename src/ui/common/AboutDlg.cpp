#include "ui/common/AboutDlg.h"

#include "base/AppInfo.h"
#include "base/CmdIds.h"
#include "base/Texts.h"
#include "graphs/Logos.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent), m_version(new QLabel(VersionText(), this)) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(LoadText(TXT_INFORMATION));
    setWindowIcon(ProgramIcon());

    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap::fromImage(Logo200x45()));
    SetCommandId(m_version, IDC_VERSION);
    QFont bold = m_version->font();
    bold.setBold(true);
    m_version->setFont(bold);

    auto* developed = new QLabel(LoadText(TXT_DEVELOPED_BY), this);
    SetCommandId(developed, IDC_DEVELOPED_BY);
    auto* maker = new QLabel(QStringLiteral("Kelvora GmbH\nWerkstraße 14\n78467 Konstanz\n") +
                                 TemplateText("Germany"),
                             this);
    auto* contact = new QLabel(QStringLiteral("service@kelvora.de\nwww.kelvora.de"), this);
    auto* notice = new QLabel(
        QStringLiteral("© 2014–2020 Kelvora GmbH. ") + TemplateText("All rights reserved."), this);
    QPalette teal = palette();
    teal.setColor(QPalette::WindowText, kBrandColour);
    for (QLabel* label : {m_version, developed, maker, contact, notice})
        label->setPalette(teal);
    contact->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* ok = new CKelvoraButton(100, LoadText(TXT_BUTTON_OK), this);
    ok->setDefault(true);
    ok->setFixedSize(84, 26);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->addWidget(developed, 0, 0, 1, 2);
    grid->addWidget(maker, 1, 0, Qt::AlignTop);
    grid->addWidget(contact, 1, 1, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(logo);
    layout->addSpacing(6);
    layout->addWidget(m_version);
    layout->addSpacing(10);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(line);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(notice);
    bottom->addStretch();
    bottom->addWidget(ok);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
