#pragma once

#include <QWidget>

class HButton;
class QFrame;
class QLabel;
class QLineEdit;

// Asks for the name of a document to be written: a panel over the whole main window with a
// caption, the name and a save button. A name is taken only when it holds no character a file
// name may not hold and no document of that name is in the protocol folder; it is handed on by
// namePick, once, and the panel closes and deletes itself. There is no other way out.
class MessageNamePick : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MaxNameLength = 124;
    // In the order they are looked for; the first one found is the one named.
    static const QString &forbiddenNameCharacters();

    MessageNamePick(const QString &caption, const QString &defaultName);

    // Shows a new panel whose namePick(QString) reaches receiver's slot (SLOT(...) notation).
    // Returns at once; the name comes only through the slot.
    static MessageNamePick *showNamePick(const QString &caption, const QString &defaultName, QObject *receiver,
                                         const char *slot);

    QFrame *nameFrame() const { return m_nameFrame; }
    QLineEdit *nameEdit() const { return m_nameEdit; }
    QLabel *captionLabel() const { return m_caption; }
    HButton *saveButton() const { return m_saveButton; }

signals:
    void namePick(QString);

public slots:
    void onSaveButtonPressed();
    void onMainWindowsSizeChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The name is refused: the operator corrects it where it is.
    void refuse(const QString &message);

    QFrame *m_nameFrame;
    QLineEdit *m_nameEdit;
    QLabel *m_caption;
    HButton *m_saveButton;
    // A name was handed on; the panel is on its way out.
    bool m_picked = false;
};
