#pragma once

#include "Widgets/OverlayPage.h"

#include <QList>

class EditField;
class HButton;
class ModelDeviceConf;
class QLabel;
class QSpacerItem;
class QTableView;
class VrDevice;

// The device-card page: laid over the settings page, it lists the stored cards in a sortable
// table with a filter over each of the first four columns, saves the device under test as a new
// card, loads a card into it and deletes cards. Created on first use, it lives until the end.
class TabDeviceConfig : public OverlayPage
{
    Q_OBJECT
public:
    enum Button { ButtonBack = 0, ButtonSave = 1, ButtonLoad = 2, ButtonDelete = 3 };
    // The filters with editors: name, type, serial and inventory number.
    static constexpr int FilterEditorCount = 4;
    static constexpr int FilterIconSize = 20;

    explicit TabDeviceConfig(QWidget *parent = nullptr);
    ~TabDeviceConfig() override;

    static TabDeviceConfig *instance;

    // Creates the page over parent on first use, covers the parent, shows it and lists the cards.
    static void showDeviceConfig(QWidget *parent);
    // The device that save and load work on.
    void setDevice(VrDevice *device) { m_currentDevice = device; }
    VrDevice *device() const { return m_currentDevice; }

    // 0 hides the page, 1 saves, 2 loads, 3 deletes; other ids do nothing.
    void processButton(int id);

    ModelDeviceConf *model() const { return m_model; }
    QTableView *cardTable() const { return m_cardTable; }
    QWidget *filterBar() const { return m_filterBar; }
    EditField *filterEditor(int column) const { return m_filterEditors.value(column); }
    QLabel *filterIcon(int column) const { return m_filterIcons.value(column); }

public slots:
    void onMainWindowsSizeChanged();
    void onFontChanged();
    void onButtonPressed();
    void onFilterChanged();
    void onModelChanged();
    void onSectionResized();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildFilterBar();
    void buildCardTable();
    void buildButtonBar();
    void saveCard();
    void loadCard();
    void deleteCard();
    // The file name in the shown current row; empty without one.
    QString currentFileName() const;

    ModelDeviceConf *m_model;
    QTableView *m_cardTable = nullptr;
    VrDevice *m_currentDevice = nullptr;
    QWidget *m_filterBar = nullptr;
    // Holds the room of the editors that stand over the columns, left of "Назад".
    QSpacerItem *m_filterRoom = nullptr;
    QWidget *m_buttonBar = nullptr;
    QList<EditField *> m_filterEditors;
    QList<QLabel *> m_filterIcons;
};
