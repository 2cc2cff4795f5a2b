#pragma once

#include <QPointer>

#include <functional>
#include <memory>
#include <utility>

// Plain value type (a getter and a setter as std::function; no QObject, no signal): a two-way
// connection to a value owned elsewhere: controls read the current value through get() and write
// user changes through set(). Controls never cache the value, so whoever owns it stays the single
// source of truth.
template <typename T> class Binding {
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    Binding() = default;
    Binding(Getter getter, Setter setter)
        : m_get(std::move(getter))
        , m_set(std::move(setter)) {}

    // Binds to a property of a QObject through its accessors. Once the object is gone, reads
    // give a default value and writes are dropped.
    template <typename Object, typename Result, typename Argument>
    static Binding property(Object* object, Result (Object::*getter)() const,
                            void (Object::*setter)(Argument)) {
        QPointer<Object> guard(object);
        return Binding([guard, getter]() -> T { return guard ? T((guard->*getter)()) : T{}; },
                       [guard, setter](const T& value) {
                           if (guard)
                               (guard->*setter)(value);
                       });
    }

    // Binds to a value kept alive by the binding itself (handy in tests and small views).
    static Binding value(std::shared_ptr<T> storage) {
        return Binding([storage] { return *storage; },
                       [storage](const T& value) { *storage = value; });
    }

    [[nodiscard]] bool isValid() const { return m_get && m_set; }
    [[nodiscard]] T get() const { return m_get ? m_get() : T{}; }
    void set(const T& value) const {
        if (m_set)
            m_set(value);
    }

private:
    Getter m_get;
    Setter m_set;
};
