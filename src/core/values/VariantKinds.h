#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"

namespace NuvraMobile {

// The concrete kinds of Variant. Callers normally build them through the Variant::From... factories.
// Each overrides only the getters its kind supports. Immutable; safe to read from any thread.

class NullVariant final : public Variant {
public:
    VariantKind GetKind() const override;
    std::shared_ptr<Variant> Copy() const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

class StringVariant final : public Variant {
public:
    explicit StringVariant(std::string value);
    VariantKind GetKind() const override;
    bool GetString(std::string& out) const override;
    const std::string* PeekString() const override { return &value_; }
    bool GetBoolean(bool& out) const override;
    std::shared_ptr<Variant> Copy() const override;
    bool ConvertToDouble(double& out) const override;
    bool ConvertToString(std::string& out) const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const std::string value_;
};

class IntegerVariant final : public Variant {
public:
    explicit IntegerVariant(int32_t value);
    VariantKind GetKind() const override;
    bool GetInteger(int32_t& out) const override;
    bool GetLong(int64_t& out) const override;
    bool GetDouble(double& out) const override;
    bool GetBoolean(bool& out) const override;
    std::shared_ptr<Variant> Copy() const override;
    bool ConvertToString(std::string& out) const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const int32_t value_;
};

class LongVariant final : public Variant {
public:
    static constexpr int64_t MAX_VALUE = 9007199254740991;  // 2^53 - 1, the largest exact double integer

    /** Throws SdkError "std.logic_error.out_of_range" outside plus or minus MAX_VALUE. */
    explicit LongVariant(int64_t value);
    VariantKind GetKind() const override;
    bool GetInteger(int32_t& out) const override;
    bool GetLong(int64_t& out) const override;
    bool GetDouble(double& out) const override;
    bool GetBoolean(bool& out) const override;
    std::shared_ptr<Variant> Copy() const override;
    bool ConvertToString(std::string& out) const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const int64_t value_;
};

class DoubleVariant final : public Variant {
public:
    explicit DoubleVariant(double value);
    VariantKind GetKind() const override;
    bool GetInteger(int32_t& out) const override;
    bool GetLong(int64_t& out) const override;
    bool GetDouble(double& out) const override;
    bool GetBoolean(bool& out) const override;
    std::shared_ptr<Variant> Copy() const override;
    bool ConvertToString(std::string& out) const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const double value_;
};

class BooleanVariant final : public Variant {
public:
    explicit BooleanVariant(bool value);
    VariantKind GetKind() const override;
    bool GetBoolean(bool& out) const override;
    std::shared_ptr<Variant> Copy() const override;
    bool ConvertToDouble(double& out) const override;
    bool ConvertToString(std::string& out) const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const bool value_;
};

class VectorVariant final : public Variant {
public:
    /** Empty element pointers become null variants. */
    explicit VectorVariant(std::vector<std::shared_ptr<Variant>> elements);
    VariantKind GetKind() const override;
    bool GetVariantVector(std::vector<std::shared_ptr<Variant>>& out) const override;
    /** The elements without a copy, for readers that only look. */
    const std::vector<std::shared_ptr<Variant>>& GetElements() const { return elements_; }
    std::shared_ptr<Variant> Copy() const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const std::vector<std::shared_ptr<Variant>> elements_;
};

class VariantMapVariant final : public Variant {
public:
    /** Empty value pointers become null variants. */
    explicit VariantMapVariant(std::map<std::string, std::shared_ptr<Variant>> entries);
    VariantKind GetKind() const override;
    bool GetVariantMap(std::map<std::string, std::shared_ptr<Variant>>& out) const override;
    /** The entries without a copy, for readers that only look. */
    const std::map<std::string, std::shared_ptr<Variant>>& GetEntries() const { return entries_; }
    std::shared_ptr<Variant> Copy() const override;
    bool Equals(const ObjectInterface& other) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const std::map<std::string, std::shared_ptr<Variant>> entries_;
};

}  // namespace NuvraMobile
