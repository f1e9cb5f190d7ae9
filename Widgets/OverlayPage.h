#pragma once

#include "Widgets/Tab.h"

// A page laid over the page that calls it: it covers its parent, keeps the parent's size while
// it shows, and stays hidden once hidden, even when the parent is shown again. While it shows it
// holds the keyboard: the covered page takes no key.
class OverlayPage : public Tab
{
    Q_OBJECT
public:
    explicit OverlayPage(QWidget *parent = nullptr);

    // Covers the parent and shows the page on top.
    void showOverParent();
    // The parent's size, while the page shows.
    void fitToParent();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool focusNextPrevChild(bool next) override;
};
