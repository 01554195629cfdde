#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class EventData;
class FlatDictionaryInterface;
class Variant;

/**
 * Turns nested event data into one flat map whose keys are dotted paths ("a.b.c"), for rule keys and
 * tokens. Only maps are opened: a list is one leaf under its own key, and an empty map leaves no entry.
 * Keys are not escaped, so a key holding a full stop may collide with a nested path; the entry written
 * later (depth first, ascending keys) wins. Values are shared, never copied. Built and used by one
 * thread within one call.
 */
class EventDataFlattener : public Object {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    /** Takes a copy of the data's top-level map; null data flattens to nothing. */
    explicit EventDataFlattener(const std::shared_ptr<const EventData>& data);

    /** A new flat map of the stored data at every call. */
    VariantMap GetFlattenedDataMap() const;

    /** A map value is flattened under the prefix; any other value is written under the prefix itself. */
    static void Flatten(const std::string& prefix, const std::shared_ptr<Variant>& value, VariantMap& out);
    /** Each entry under prefix + "." + key. */
    static void Flatten(const std::string& prefix, const VariantMap& map, VariantMap& out);
    /** Each entry as a string variant under prefix + "." + key. */
    static void Flatten(const std::string& prefix, const std::map<std::string, std::string>& map,
                        VariantMap& out);
    /** The dictionary's map under the prefix, or nothing when it has none to give. */
    static void Flatten(const std::string& prefix, const std::shared_ptr<FlatDictionaryInterface>& dictionary,
                        VariantMap& out);

    using LeafVisitor = std::function<void(const std::string& path, const std::shared_ptr<Variant>& value)>;
    /**
     * Calls `visit` with every leaf of the data in the order flattening writes them (depth first,
     * ascending keys), so a later call for the same path is the one that wins. Nothing is copied.
     */
    static void ForEachLeaf(const std::shared_ptr<const EventData>& data, const LeafVisitor& visit);

private:
    static void VisitEntries(std::string& path, const VariantMap& map, const LeafVisitor& visit);
    static void FlattenEntries(const std::string& keyPrefix, const VariantMap& map, VariantMap& out);

    const VariantMap data_;
};

}  // namespace NuvraMobile
