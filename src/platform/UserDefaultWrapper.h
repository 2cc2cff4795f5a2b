#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace UserDefaultCoding {

// How a value type is kept in a settings store. The default keeps the QVariant as it is and
// accepts only a stored value of exactly that type.
template <typename T> struct Traits {
    static QVariant encode(const T& value) { return QVariant::fromValue(value); }
    static std::optional<T> decode(const QVariant& stored) {
        if (stored.metaType() != QMetaType::fromType<T>())
            return std::nullopt;
        return stored.value<T>();
    }
};

// INI-style stores (QSettings' native format off macOS) write a one-element string list as a
// plain string and read it back as one, losing the list. Lists are therefore written as
// variant lists, which keep their type; plain string lists written elsewhere are still read.
template <> struct Traits<QStringList> {
    static QVariant encode(const QStringList& value) {
        QVariantList list;
        list.reserve(value.size());
        for (const QString& entry : value)
            list.append(entry);
        return list;
    }
    static std::optional<QStringList> decode(const QVariant& stored) {
        if (stored.metaType() == QMetaType::fromType<QStringList>())
            return stored.toStringList();
        if (stored.metaType() != QMetaType::fromType<QVariantList>())
            return std::nullopt;
        QStringList list;
        for (const QVariant& entry : stored.toList()) {
            if (entry.metaType() != QMetaType::fromType<QString>())
                return std::nullopt;
            list.append(entry.toString());
        }
        return list;
    }
};

} // namespace UserDefaultCoding

// Plain class template (no QObject) holding a typed value under one QSettings key: reading gives
// the stored value, or `defaultValue` when the key is absent or holds a value of another type;
// writing stores it.
template <typename T> class UserDefaultWrapper {
public:
    UserDefaultWrapper(QString key, T defaultValue, std::shared_ptr<QSettings> container)
        : m_key(std::move(key))
        , m_defaultValue(std::move(defaultValue))
        , m_container(std::move(container)) {}

    [[nodiscard]] const QString& key() const { return m_key; }
    [[nodiscard]] const T& defaultValue() const { return m_defaultValue; }
    [[nodiscard]] QSettings* container() const { return m_container.get(); }

    [[nodiscard]] T value() const {
        if (!m_container)
            return m_defaultValue;
        return UserDefaultCoding::Traits<T>::decode(m_container->value(m_key))
            .value_or(m_defaultValue);
    }

    void setValue(const T& value) const {
        if (m_container)
            m_container->setValue(m_key, UserDefaultCoding::Traits<T>::encode(value));
    }

    // Takes the key out of the store: reading gives the default again.
    void remove() const {
        if (m_container)
            m_container->remove(m_key);
    }

private:
    QString m_key;
    T m_defaultValue;
    std::shared_ptr<QSettings> m_container;
};
