// Parses arbitrary text as a message text "Name(arg, ...)", copies the message and reads every
// argument as several types. Invalid argument expressions and unbound identifiers raise
// FLException, which is expected.
#include "Utilities/FLException.h"
#include "Utilities/ParsedMessage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	const std::string text(reinterpret_cast<const char*>(data), size);
	ParsedMessage handle;
	handle.AddVariable("W_VALUE", std::make_unique<OperVarType<float>>(1.0f));
	handle.AddVariable("COUNT", std::make_unique<OperVarType<int>>(3));
	handle.AddVariable("NAME", std::make_unique<OperVarType<std::string>>("player"));
	try
	{
		ParseMessage(text, handle);
		if (const Message* parsed = handle.GetMessage())
		{
			const Message copy(*parsed);
			Message::Reader reader(copy);
			for (unsigned index = 0; reader.HasMore(); ++index)
			{
				reader.current->value->ToString();
				switch (index % 3)
				{
				case 0: reader.Read<float>(); break;
				case 1: reader.Read<std::string>(); break;
				default: reader.Read<unsigned char>(); break;
				}
			}
		}
	}
	catch (const FLException&)
	{
	}
	return 0;
}
