#include "ui/graphs/MergeDlg.h"

#include "base/Texts.h"
#include "ui/common/ToolTip.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

constexpr std::array kPickerIds{IDC_FROM1, IDC_UNTIL1, IDC_FROM2, IDC_UNTIL2};

// The pickers show the day; a range limit is 3 pm local time of that day.
std::int64_t ThreePmOn(QDate date) {
    return QDateTime(date, QTime(15, 0)).toSecsSinceEpoch();
}

QDate DayOf(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).date();
}

} // namespace

CMergeDlg::CMergeDlg(const QString& baseFolder, const QString& moduleName,
                     CModuleList::FolderOf folderOf, QWidget* parent)
    : CTipDialog(QStringLiteral("IDD_DIAGRAM"), parent), m_baseFolder(baseFolder),
      m_moduleName(CleanFolderName(moduleName)), m_modules(std::move(folderOf)),
      m_moduleBox(new QListWidget(this)), m_available(new QLabel(this)),
      m_selected(new QLabel(this)), m_body(new QVBoxLayout(this)) {
    setWindowTitle(TemplateText("Select time range"));

    m_body->addWidget(new QLabel(TemplateText("Module ID"), this));
    m_moduleBox->setMaximumHeight(120);
    SetCommandId(m_moduleBox, IDC_MODULES);
    m_body->addWidget(m_moduleBox);
    connect(m_moduleBox, &QListWidget::currentRowChanged, this, &CMergeDlg::OnModuleChanged);

    for (int which = 1; which <= 2; ++which) {
        auto* group = new QGroupBox(
            (which == 1 ? TemplateText("Time range 1") : TemplateText("Time range 2")), this);
        auto* grid = new QGridLayout(group);
        for (int k = 0; k < 2; ++k) {
            const bool from = k == 0;
            auto* picker = new QDateEdit(group);
            picker->setCalendarPopup(true);
            const int index = (which - 1) * 2 + k;
            SetCommandId(picker, kPickerIds[index]);
            m_pickers[index] = picker;
            grid->addWidget(new QLabel(from ? TemplateText("From 3:00 pm on")
                                            : TemplateText("until 3:00 pm on"),
                                       group),
                            k, 0);
            grid->addWidget(picker, k, 1);
            connect(picker, &QDateEdit::dateChanged, this,
                    [this, which, from] { OnPickerChanged(which, from); });
        }
        m_body->addWidget(group);
    }

    auto* files = new QGroupBox(TemplateText("Files"), this);
    auto* grid = new QGridLayout(files);
    grid->addWidget(new QLabel(TemplateText("available"), files), 0, 0);
    grid->addWidget(m_available, 0, 1);
    grid->addWidget(new QLabel(TemplateText("selected"), files), 1, 0);
    grid->addWidget(m_selected, 1, 1);
    SetCommandId(m_available, IDC_FILES_AVAILABLE);
    SetCommandId(m_selected, IDC_FILES_SELECTED);
    m_body->addWidget(files);
}

bool CMergeDlg::Fill() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool found = m_modules.Load(m_baseFolder, m_moduleName);
    QApplication::restoreOverrideCursor();
    if (!found) {
        m_moduleName.clear();
        return false;
    }
    const QSignalBlocker block(m_moduleBox);
    m_moduleBox->clear();
    for (const CModuleEntry& entry : m_modules.Modules())
        m_moduleBox->addItem(entry.name);
    m_moduleBox->setCurrentRow(0);
    OnModuleChanged(0);
    if (m_moduleBox->count() == 1)
        m_pickers[0]->setFocus();
    else
        m_moduleBox->setFocus();
    return true;
}

int CMergeDlg::exec() {
    if (!Fill()) {
        ShowMessageId(TXT_NO_DATA);
        return Rejected;
    }
    return CTipDialog::exec();
}

QList<CFileInfo> CMergeDlg::SelectedFiles() const {
    QList<CFileInfo> selected;
    for (const CFileInfo& info : m_modules.Files().Files()) {
        if (info.selected)
            selected.append(info);
    }
    return selected;
}

QDateEdit* CMergeDlg::Picker(int id) const {
    const auto at = std::find(kPickerIds.begin(), kPickerIds.end(), id);
    return at == kPickerIds.end() ? nullptr : m_pickers[at - kPickerIds.begin()];
}

void CMergeDlg::OnModuleChanged(int row) {
    m_modules.Select(row);
    const CModuleEntry* entry = m_modules.Current();
    if (!entry)
        return;
    for (QDateEdit* picker : m_pickers) {
        const QSignalBlocker block(picker);
        picker->setDateRange(DayOf(entry->bounds.start), DayOf(entry->bounds.end));
    }
    ShowRanges();
    ShowCounts();
}

void CMergeDlg::OnPickerChanged(int which, bool from) {
    const QDateEdit* picker = m_pickers[(which - 1) * 2 + (from ? 0 : 1)];
    const std::int64_t seconds = ThreePmOn(picker->date());
    if (from)
        m_modules.SetFrom(which, seconds);
    else
        m_modules.SetUntil(which, seconds);
    ShowRanges();
    ShowCounts();
}

void CMergeDlg::ShowRanges() {
    const CModuleEntry* entry = m_modules.Current();
    const std::array<std::int64_t, 4> limits{entry->range1.start, entry->range1.end,
                                             entry->range2.start, entry->range2.end};
    for (std::size_t i = 0; i < m_pickers.size(); ++i) {
        const QSignalBlocker block(m_pickers[i]);
        m_pickers[i]->setDate(DayOf(limits[i]));
    }
}

void CMergeDlg::ShowCounts() {
    m_available->setText(QString::number(m_modules.Files().Files().size()));
    m_selected->setText(QString::number(m_modules.SelectedCount()));
    UpdateButtons();
}
