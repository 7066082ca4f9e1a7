#pragma once

// A read-only view of one value of a FastJsonDocument with the part of QJsonValue's interface
// the readers use, converting as QJsonValue converts: a missing member is undefined, a string is
// empty and a number 0 when the value has another type, and of a duplicated key the last value
// counts.

#include "corviscommon/rapidjson.h"

#include <QLatin1String>
#include <QString>

#include <string_view>

class FastJsonValue
{
public:
    class Array;

    FastJsonValue() = default;
    explicit FastJsonValue(const rapidjson::Value* value) : value_(value) {}

    bool isUndefined() const { return value_ == nullptr; }
    bool isObject() const { return value_ != nullptr && value_->IsObject(); }
    bool isArray() const { return value_ != nullptr && value_->IsArray(); }
    bool isString() const { return value_ != nullptr && value_->IsString(); }
    bool isDouble() const { return value_ != nullptr && value_->IsNumber(); }
    // True for anything but an object with members, as QJsonValue::toObject().isEmpty().
    bool isEmptyObject() const { return !isObject() || value_->MemberCount() == 0; }

    QString toString() const
    {
        return isString() ? QString::fromUtf8(value_->GetString(), static_cast<int>(value_->GetStringLength())) : QString();
    }
    double toDouble() const { return isDouble() ? value_->GetDouble() : 0.0; }
    // The UTF-8 bytes of a string, as toString() would convert them; empty for anything else.
    std::string_view utf8() const
    {
        return isString() ? std::string_view(value_->GetString(), value_->GetStringLength()) : std::string_view();
    }

    // The member `key` of an object; undefined for anything else.
    FastJsonValue operator[](QLatin1String key) const
    {
        if (!isObject()) {
            return FastJsonValue();
        }
        const rapidjson::SizeType length = static_cast<rapidjson::SizeType>(key.size());
        for (auto it = value_->MemberEnd(); it != value_->MemberBegin();) {
            --it;
            if (it->name.GetStringLength() == length && std::memcmp(it->name.GetString(), key.data(), length) == 0) {
                return FastJsonValue(&it->value);
            }
        }
        return FastJsonValue();
    }

    // The elements of an array; none for anything else.
    inline Array toArray() const;

private:
    const rapidjson::Value* value_ = nullptr;
};

class FastJsonValue::Array
{
public:
    class Iterator
    {
    public:
        explicit Iterator(const rapidjson::Value* at) : at_(at) {}
        FastJsonValue operator*() const { return FastJsonValue(at_); }
        Iterator& operator++()
        {
            ++at_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at_ != other.at_; }

    private:
        const rapidjson::Value* at_;
    };

    Array(const rapidjson::Value* begin, const rapidjson::Value* end) : begin_(begin), end_(end) {}
    Iterator begin() const { return Iterator(begin_); }
    Iterator end() const { return Iterator(end_); }
    int size() const { return static_cast<int>(end_ - begin_); }
    bool isEmpty() const { return begin_ == end_; }

private:
    const rapidjson::Value* begin_;
    const rapidjson::Value* end_;
};

FastJsonValue::Array FastJsonValue::toArray() const
{
    if (!isArray()) {
        return Array(nullptr, nullptr);
    }
    return Array(value_->Begin(), value_->End());
}
