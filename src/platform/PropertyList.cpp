#include "platform/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QVariantList>

#include <plist/plist.h>

#include <memory>

namespace {

// Info.plist files are a few kilobytes; anything this big is not one, and is not read whole.
constexpr qint64 maximumSize = 16 * 1024 * 1024;
// Deeper nesting than any real property list: guards the recursion against crafted input.
constexpr int maximumDepth = 64;

QVariant toVariant(plist_t node, int depth) {
    if (!node || depth > maximumDepth)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant::fromValue<qint64>(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QString::fromUtf8(text, qsizetype(length));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QByteArray(bytes, qsizetype(length));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        // Property list dates count from 2001-01-01 UTC.
        return QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC)
            .addMSecs(qint64(seconds) * 1000 + microseconds / 1000);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t count = plist_array_get_size(node);
        for (uint32_t i = 0; i < count; ++i)
            list.append(toVariant(plist_array_get_item(node, i), depth + 1));
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), toVariant(value, depth + 1));
            free(key);
        }
        free(iterator);
        return map;
    }
    default:
        return {};
    }
}

} // namespace

namespace PropertyList {

std::optional<QVariantMap> dictionaryFromData(const QByteArray& data) {
    if (data.isEmpty() || data.size() > maximumSize)
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &root);
    if (!root)
        return std::nullopt;
    std::unique_ptr<void, void (*)(plist_t)> owner(root, plist_free);
    // A binary list can hold a key with a NUL byte inside, and libplist aborts the process
    // (an assert) when such a key is read. Passing through its XML form cuts the key at the NUL.
    if (plist_is_binary(data.constData(), uint32_t(data.size()))) {
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(root, &xml, &length);
        root = nullptr;
        if (xml)
            plist_from_xml(xml, length, &root);
        plist_to_xml_free(xml);
        owner.reset(root);
        if (!root)
            return std::nullopt;
    }
    if (plist_get_node_type(root) != PLIST_DICT)
        return std::nullopt;
    return toVariant(root, 0).toMap();
}

std::optional<QVariantMap> readDictionary(const QString& path) {
    // A FIFO would block the open until a writer comes, a device could be read without end.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumSize)
        return std::nullopt;
    return dictionaryFromData(file.read(maximumSize + 1));
}

} // namespace PropertyList
