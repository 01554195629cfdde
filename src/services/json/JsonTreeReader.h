#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"

namespace NuvraMobile {

/**
 * The forms in which JSON text becomes Variants. Document: what the JSON documents hold (integers as
 * longs, nulls as null variants). Values: what the JSON serializers read from a document (every number
 * a double, nulls left out with the serializers' warning), built without a document in between.
 */
enum class JsonShape { Document, Values };

/**
 * Builds the Variant tree of JSON text in one pass over a validated parse (SIMD-accelerated). Texts it
 * cannot read (bad JSON, nesting over 256 levels, integers beyond 64 bits, a byte-order mark) give
 * false, and the caller's strict parser reports why or reads them itself. The values of one tree share
 * the blocks of a TreeArena. Stateless for callers; each thread keeps its own parser buffers. Callable
 * from any thread.
 */
class JsonTreeReader {
public:
    static bool ReadObject(const std::string& text, JsonShape shape,
                           std::map<std::string, std::shared_ptr<Variant>>& members);
    static bool ReadArray(const std::string& text, JsonShape shape,
                          std::vector<std::shared_ptr<Variant>>& elements);
    /**
     * Builds the statics of the parsing library (its choice of implementation), which the process destroys
     * at exit in the reverse order of their building: for a caller whose exit handler must run before they
     * go. Uses nothing of the SDK, so it may run while the program is loaded.
     */
    static void BuildLibraryStatics();
};

/** Whether a JSON integer is a double in the shape (else a long). */
bool ReadsAsDouble(int64_t value, JsonShape shape);
/** The value of a JSON number in the shape; throws what Variant::FromLong throws for a long it cannot hold. */
std::shared_ptr<Variant> JsonNumber(int64_t value, JsonShape shape);
std::shared_ptr<Variant> JsonNumber(double value, JsonShape shape);
/** Whether a JSON null is a null variant in the shape; else it is left out (logged as the serializers log it). */
bool KeepsNull(JsonShape shape, bool inObject);

}  // namespace NuvraMobile
