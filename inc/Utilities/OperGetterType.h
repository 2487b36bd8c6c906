// OperGetterType: a read-only operator variable whose value is read live through a getter of a
// record it does not own (an input button's state). Copies keep reading the live value; Clone,
// which expression evaluation uses, takes a snapshot as a plain OperVarType.
#pragma once

#include "Utilities/OperatorVariable.h"

template<typename Record, typename T>
class OperGetterType : public ReadOnlyOperatorVariable
{
public:
	using Getter = T (Record::*)() const;

	OperGetterType(Getter getter, const Record* record) : getter(getter), record(record) {}

	std::string ToString() const override { return IsValid() ? tw::TextOf(Current()) : "Unreadable"; }
	OperGetterType* CloneInto(void* storage) const override
	{
		return storage ? new (storage) OperGetterType(*this) : new OperGetterType(*this);
	}
	std::size_t Size() const override { return sizeof(OperGetterType); }
	std::size_t Alignment() const override { return alignof(OperGetterType); }
	bool Get(const ValueDestination& destination) const override
	{
		return IsValid() && tw::WriteValue(Current(), destination);
	}
	tw::TypeId GetTypeId() const override { return tw::TypeIdOf<T>(); }
	bool IsValid() const override { return getter != nullptr && record != nullptr; }
	const std::string& ValueTypeName() const override { return tw::TypeName<T>(); }

	bool Compare(tw::Comparison comparison, const Variable& other) const override
	{
		return IsValid() && tw::CompareWith(Current(), comparison, other);
	}
	bool ToBool() const override { return IsValid() && tw::IsTrue(Current()); }
	std::unique_ptr<OperatorVariable> Clone() const override
	{
		return std::make_unique<OperVarType<T>>(IsValid() ? Current() : T{});
	}

private:
	T Current() const { return (record->*getter)(); }

	Getter getter;
	const Record* record;
};
