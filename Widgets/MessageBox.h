#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <cstdint>

class HButton;
class QFrame;
class QGridLayout;
class QLabel;

// A message inside the main window: a dark veil over the whole window with a framed
// panel in its middle holding the type's icon, the text and a row of buttons.
// Deletes itself when one of its buttons is pressed.
class MessageBox : public QWidget
{
    Q_OBJECT
public:
    // Types: 0 information, 1 warning, 2 error, 3 question; any other value is an error.
    MessageBox(const QString &text, int type);
    ~MessageBox() override;

    void addButton(const QString &text, uint8_t id);

    QFrame *panel() const { return m_panel; }
    QLabel *textLabel() const { return m_textLabel; }
    QLabel *iconLabel() const { return m_iconLabel; }
    QList<HButton *> buttons() const;
    int type() const { return m_type; }

signals:
    void buttonClicked(int);

public slots:
    void buttonPressed();
    void onMainWindowsSizeChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Sizes the panel from its text and centres it.
    void fitPanel();
    // The visible box that lies above all others of its window.
    bool isTopmost() const;
    // The panel, then the first button, as when the box is shown.
    void takeFocus();

    struct ButtonRecord
    {
        uint8_t id;
        HButton *button;
    };

    QGridLayout *m_buttonRow;
    QFrame *m_panel;
    QLabel *m_textLabel;
    QLabel *m_iconLabel;
    int m_buttonCount = 0;
    QList<ButtonRecord> m_buttons;
    int m_type;
};
