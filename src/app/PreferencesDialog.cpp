#include "app/PreferencesDialog.h"

#include "platform/AppSettings.h"
#include "store/VariableSettings.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/XcodeBookmarkManager.h"
#include "toolchain/ui/XcodeChooser.h"
#include "updates/ui/AutomaticChecksBox.h"
#include "widgets/TextStyle.h"
#include "window/ui/VariableTable.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int pathWidth = 340;

std::optional<QString> askForProgram(QWidget* parent) {
    QFileDialog dialog(parent, QObject::tr("Choose adb"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (const std::optional<QString> current = AdbLocator::locate())
        dialog.setDirectory(QFileInfo(*current).path());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

// A location as one line: the middle of a long path gives way, the whole of it in the tooltip
// and for screen readers.
void showPath(QLabel* label, const std::optional<QString>& path) {
    const QString text = path ? QDir::toNativeSeparators(*path) : QObject::tr("None");
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, pathWidth));
    label->setToolTip(path ? text : QString());
    label->setAccessibleName(text);
}

QLabel* pathLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(pathWidth);
    return label;
}

} // namespace

PreferencesDialog::PreferencesDialog(XcodeBookmarkManager& xcode, XcodeChooser& chooser,
                                     QWidget* parent)
    : QDialog(parent)
    , m_xcode(xcode)
    , m_adbChooser(askForProgram) {
    setObjectName(QStringLiteral("preferences"));
    setWindowTitle(tr("Preferences"));

    m_xcodePath = pathLabel(this);
    m_xcodePath->setObjectName(QStringLiteral("xcodePath"));
    m_chooseXcode = new QPushButton(tr("Choose\u2026"), this);
    m_chooseXcode->setObjectName(QStringLiteral("chooseXcode"));
    m_chooseXcode->setAccessibleName(tr("Choose Xcode"));
    m_adbPath = pathLabel(this);
    m_adbPath->setObjectName(QStringLiteral("adbPath"));
    m_chooseAdb = new QPushButton(tr("Choose\u2026"), this);
    m_chooseAdb->setObjectName(QStringLiteral("chooseAdb"));
    m_chooseAdb->setAccessibleName(tr("Choose adb"));
    m_defaultAdb = new QPushButton(tr("Use Default"), this);
    m_defaultAdb->setObjectName(QStringLiteral("defaultAdb"));
    m_defaultAdb->setAccessibleName(tr("Use the default adb"));
    m_automaticChecks = new AutomaticChecksBox(this);
    m_automaticChecks->setObjectName(QStringLiteral("automaticChecks"));
    m_variables = new VariableTable(this);
    m_variables->setObjectName(QStringLiteral("globalVariables"));
    m_variables->table()->setAccessibleName(tr("Global variables"));
    m_variables->table()->setMinimumSize(420, 160);
    m_variables->setVariables(VariableSettings::globals(*AppSettings::standard()));
    auto* variableProblem = new QLabel(this);
    variableProblem->setObjectName(QStringLiteral("variableProblem"));
    TextStyle::setProblemStyle(variableProblem);
    variableProblem->hide();
    // Every edit is stored at once, so a row that cannot be kept is left out, and says so.
    connect(m_variables, &VariableTable::problemChanged, variableProblem,
            [variableProblem](const QString& problem) {
                variableProblem->setText(problem.isEmpty() ? problem
                                                           : problem + tr(" It is not saved."));
                variableProblem->setVisible(!problem.isEmpty());
            });

    // One column of row names, one of locations, the "Choose…" buttons under each other.
    auto* grid = new QGridLayout;
    const auto name = [this, grid](const QString& text, int row) {
        auto* label = new QLabel(text, this);
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
    };
    name(tr("Xcode:"), 0);
    grid->addWidget(m_xcodePath, 0, 1);
    grid->addWidget(m_chooseXcode, 0, 2);
    name(tr("adb:"), 1);
    grid->addWidget(m_adbPath, 1, 1);
    grid->addWidget(m_chooseAdb, 1, 2);
    grid->addWidget(m_defaultAdb, 1, 3);
    name(tr("Updates:"), 2);
    grid->addWidget(m_automaticChecks, 2, 1, 1, 3);
    // Every firing may use these; an environment's value of the same name wins.
    auto* variablesLabel = new QLabel(tr("Variables:"), this);
    variablesLabel->setBuddy(m_variables->table());
    grid->addWidget(variablesLabel, 3, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(m_variables, 3, 1, 1, 3);
    grid->addWidget(variableProblem, 4, 1, 1, 3);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QPointer<XcodeChooser> guard(&chooser);
    connect(m_chooseXcode, &QPushButton::clicked, this, [this, guard] {
        if (guard)
            guard->choose(this);
    });
    connect(&xcode, &XcodeBookmarkManager::stateChanged, this, &PreferencesDialog::showXcode);
    connect(m_chooseAdb, &QPushButton::clicked, this, &PreferencesDialog::chooseAdb);
    connect(m_defaultAdb, &QPushButton::clicked, this, &PreferencesDialog::useDefaultAdb);
    connect(m_variables, &VariableTable::edited, this, [this] {
        VariableSettings::setGlobals(*AppSettings::standard(), m_variables->variables());
    });
    showXcode();
    showAdb();
}

void PreferencesDialog::showXcode() {
    const XcodeBookmarkManager::State state = m_xcode.state();
    showPath(m_xcodePath, state.kind == XcodeBookmarkManager::StateKind::Available
                              ? std::optional<QString>(state.url.toLocalFile())
                              : std::nullopt);
}

void PreferencesDialog::showAdb() {
    showPath(m_adbPath, AdbLocator::locate());
    m_defaultAdb->setEnabled(!AdbLocator::adbPathSetting().value().isEmpty());
}

void PreferencesDialog::chooseAdb() {
    const std::optional<QString> chosen = m_adbChooser(this);
    if (!chosen)
        return;
    if (!AdbLocator::isProgram(*chosen)) {
        Q_EMIT errorOccurred(ErrorMessage{tr("\u201C%1\u201D is not a program Kestrine can run.")
                                              .arg(QDir::toNativeSeparators(*chosen))});
        return;
    }
    AdbLocator::adbPathSetting().setValue(QFileInfo(*chosen).absoluteFilePath());
    showAdb();
    Q_EMIT adbChanged();
}

void PreferencesDialog::useDefaultAdb() {
    AdbLocator::adbPathSetting().remove();
    showAdb();
    Q_EMIT adbChanged();
}
