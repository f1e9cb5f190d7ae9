#pragma once

#include <QPushButton>
#include <cstdint>

// The push button of all pages; its id tells a page's one button slot which button it was.
class HButton : public QPushButton
{
    Q_OBJECT
public:
    explicit HButton(QWidget *parent = nullptr);
    HButton(const QString &text, QWidget *parent = nullptr);
    HButton(const QString &text, uint8_t id, QWidget *parent = nullptr);
    HButton(const QString &text, uint8_t id, const QIcon &icon, QWidget *parent = nullptr);

    uint8_t id() const { return m_id; }
    // The run pages turn one button from start (0) into stop (1) and back.
    void setId(uint8_t id) { m_id = id; }

    // At least this tall, and never lower than its text needs at the font of the day: a plain
    // minimum height would let a layout short of room squeeze a large font's text.
    void setLeastHeight(int height);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void applyLeastHeight();

    uint8_t m_id = 0;
    int m_leastHeight = 0;
};
