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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    uint8_t m_id = 0;
};
