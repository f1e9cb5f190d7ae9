#pragma once

#include <QWidget>

class QGridLayout;
class QScrollArea;
class TabHolderWidget;

// The base of every page: a frameless scroll area filling the page, a holder inside it
// and a grid on the holder for the page's content.
class Tab : public QWidget
{
    Q_OBJECT
public:
    explicit Tab(QWidget *parent = nullptr);
    ~Tab() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // A page nested in another page (a tab inside a group) does not scroll on its own: it asks
    // for all the room its content needs, and the page around it scrolls as a whole.
    void setFitsContent(bool fits);
    bool fitsContent() const { return m_fitsContent; }

    // Refreshes every field editor on the page, at any depth, once each.
    void refreshAllFields();
    void setBackgroundFilled(bool filled);

    QGridLayout *grid() const { return m_grid; }
    QScrollArea *scrollArea() const { return m_scrollArea; }
    TabHolderWidget *holder() const { return m_holder; }

    bool isHandling() const { return m_handling; }
    void setHandling(bool handling) { m_handling = handling; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGridLayout *m_grid;
    bool m_handling = false;
    bool m_fitsContent = false;
    QScrollArea *m_scrollArea;
    TabHolderWidget *m_holder;
};
