#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "pivora/PivoraParameters.h"

namespace NuvraMobile {

/**
 * One location ("mbox") of a personalisation request: its name and parameters, held both as flat maps
 * and as one bundle. Immutable after construction; safe on any thread.
 */
class PivoraObject : public Object {
public:
    using StringMap = std::map<std::string, std::string>;
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    /** Profile parameters stay empty; the bundle is made of the maps. */
    PivoraObject(std::string name, StringMap mboxParameters, StringMap productParameters,
                 VariantMap orderParameters);
    /** The maps are taken from the bundle, and stay empty for a null bundle. */
    PivoraObject(std::string name, std::shared_ptr<PivoraParameters> parameters);

    const std::string& GetName() const { return name_; }
    const StringMap& GetMboxParameters() const { return mboxParameters_; }
    const StringMap& GetProductParameters() const { return productParameters_; }
    const StringMap& GetProfileParameters() const { return profileParameters_; }
    const VariantMap& GetOrderParameters() const { return orderParameters_; }
    const std::shared_ptr<PivoraParameters>& GetPivoraParameters() const { return pivoraParameters_; }

    /** Adds "mboxname" when the name is not empty. */
    static void SerializeMboxName(const std::string& name, VariantMap& map);
    /** The text under "mboxname"; empty when absent or not text. */
    static std::string DeserializeMboxName(const VariantMap& map);
    /** Adds "pivoraparams": the bundle's form, or a null Variant for a null bundle. */
    static void SerializePivoraParameters(const std::shared_ptr<PivoraParameters>& parameters, VariantMap& map);
    /**
     * The bundle under "pivoraparams"; when that is absent, null or unreadable (logged), one made of the
     * separate parameter keys of the map. Null when the map holds no parameters at all.
     */
    static std::shared_ptr<PivoraParameters> DeserializePivoraParameters(const VariantMap& map);
    /**
     * A bundle of the separate keys "mboxparameters", "profileparams", "productparameters" and
     * "orderparameters" (a key of another kind counts as empty); null when all four are empty.
     */
    static std::shared_ptr<PivoraParameters> ReadSeparateParameters(const VariantMap& map);

private:
    std::string name_;
    StringMap mboxParameters_;
    StringMap productParameters_;
    StringMap profileParameters_;
    VariantMap orderParameters_;
    std::shared_ptr<PivoraParameters> pivoraParameters_;
};

/** A location to load: answered once with its content or, failing that, its default content. */
class PivoraRequest : public PivoraObject {
public:
    using ContentCallback = std::function<void(const std::string&)>;

    PivoraRequest(std::string name, std::string defaultContent, StringMap mboxParameters,
                  StringMap productParameters, VariantMap orderParameters, ContentCallback contentCallback);
    PivoraRequest(std::string name, std::string defaultContent, std::shared_ptr<PivoraParameters> parameters,
                  ContentCallback contentCallback);

    const std::string& GetDefaultContent() const { return defaultContent_; }
    const ContentCallback& GetContentCallback() const { return contentCallback_; }
    const std::string& GetResponsePairId() const { return responsePairId_; }
    /** Set by the public API before the request is written into its event, from that thread only. */
    void SetResponsePairId(const std::string& responsePairId) { responsePairId_ = responsePairId; }

private:
    std::string defaultContent_;
    ContentCallback contentCallback_;
    std::string responsePairId_;
};

/** A location to prefetch. */
class PivoraPrefetch : public PivoraObject {
public:
    using PivoraObject::PivoraObject;
};

}  // namespace NuvraMobile
