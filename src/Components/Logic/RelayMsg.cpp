#include "Components/Logic/RelayMsg.h"

#include "Composition.h"
#include "ObjectGroup.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/FLException.h"

RelayMsg::RelayMsg(const std::string& text, const std::string& where) : rawData(text)
{
	std::string problem;
	try
	{
		valid = ParseMessage(text, parsed) && parsed.GetMessage() != nullptr;
		if (!valid)
			problem = "it needs a name, \"(\" and no empty argument";
		else if (problem = FirstFailingArgument(*parsed.GetMessage()); !problem.empty())
			valid = false;
	}
	catch (const FLException& error)
	{
		problem = error.Message();
	}
	if (!valid)
		tw::Diagnostics::Report(where + ": the message \"" + text + "\" does not parse (" + problem +
			"); it is kept and never sent");
}

const Message* RelayMsg::GetMessage() const
{
	return valid ? parsed.GetMessage() : nullptr;
}

void RelayMsg::SendTo(Composition& object) const
{
	if (const Message* message = GetMessage())
		object.HandleMessage(*message);
}

void RelayMsg::SendToGroup(Composition& object) const
{
	const Message* message = GetMessage();
	if (message == nullptr)
		return;
	if (ObjectGroup* group = object.GetGroup())
		group->SendMessage(*message);
}

void ReadRelayList(Serializer& serializer, std::vector<RelayMsg>& list, const std::string& where, std::size_t skipLength)
{
	serializer.EnterNode("", "");
	while (serializer.HasValue())
	{
		const std::string text = serializer.ReadString();
		if (text.size() > skipLength)
			list.emplace_back(text, where);
	}
	serializer.LeaveNode();
}

void WriteRelayList(Serializer& serializer, const std::vector<RelayMsg>& list, const char* key, bool placeholder)
{
	serializer.EnterNode("", "");
	for (const RelayMsg& record : list)
		serializer.Write(key, record.rawData);
	if (list.empty() && placeholder)
		serializer.Write("std::string(\"\")", std::string());
	serializer.LeaveNode();
}

std::string DescribeComponent(const Composition& owner, const char* type)
{
	return "object \"" + owner.GetName() + "\" (id " + std::to_string(owner.GetId()) + "), " + type;
}

void ReportNested(const Composition& owner, const char* type, const char* message)
{
	tw::Diagnostics::Report(DescribeComponent(owner, type) + ": \"" + message + "\" arrived again while it was being handled; the nested arrival is ignored");
}
