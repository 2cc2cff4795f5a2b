#pragma once

#include <QCheckBox>

// QCheckBox for the one setting of automatic update checks at start-up
// (Updater::automaticallyChecksForUpdates): each box reads it again whenever its window is
// shown or activated, so that boxes in several windows never disagree.
class AutomaticChecksBox : public QCheckBox {
    Q_OBJECT
public:
    explicit AutomaticChecksBox(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
};
