#pragma once

#include <QString>
#include <cstdint>

// A value of a known type with its caption and the limits its editor needs.
// Parameters are plain objects: they know nothing of their editors or keys.
class HAbstractParametr
{
public:
    enum Type {
        TypeEnum = 0,
        TypeString = 1,
        TypeDouble = 3,
        TypeInt = 4,
        TypePath = 9,
        TypeEditableEnum = 10
    };

    enum Flag : uint8_t {
        ShowEditValue = 0x02,
        OwnsTitle = 0x04,
        AltEditor = 0x20
    };

    HAbstractParametr(const QString &title, uint8_t flags);
    virtual ~HAbstractParametr();

    HAbstractParametr(const HAbstractParametr &) = delete;
    HAbstractParametr &operator=(const HAbstractParametr &) = delete;

    virtual QString valueText() const;
    QString name() const;

    int type() const { return m_type; }
    uint8_t flags() const { return m_flags; }
    void setFlags(uint8_t bits) { m_flags = bits; }
    bool testFlag(uint8_t bits) const { return (m_flags & bits) != 0; }
    bool showsCommittedValue() const { return !testFlag(ShowEditValue); }

    void setDescription(const QString &text);
    QString description() const;

protected:
    int m_type = -1;

private:
    uint8_t m_flags;
    // Decided once at construction: a later setFlags must not change who frees the caption.
    bool m_ownsTitle;
    // Without OwnsTitle this is the caller's own text, which must outlive us.
    const QString *m_title;
    QString *m_description = nullptr;
};
