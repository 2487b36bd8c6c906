#include "Utilities/ValueText.h"

#include <locale>
#include <sstream>

namespace
{
	// Building a string stream and imbuing a locale costs more than the conversion itself;
	// the engine runs on one thread, but thread_local keeps the streams safe for tools that don't.
	template <class Stream>
	Stream& Prepared(Stream& stream)
	{
		stream.clear();
		stream.flags(std::ios_base::skipws | std::ios_base::boolalpha | std::ios_base::dec);
		stream.precision(6);
		return stream;
	}

	template <class Stream>
	Stream& Classic()
	{
		thread_local Stream stream = []
		{
			Stream made;
			made.imbue(std::locale::classic());
			return made;
		}();
		return stream;
	}
}

namespace ValueText
{
	std::ostream& OutputStream()
	{
		auto& stream = Classic<std::ostringstream>();
		stream.str(std::string());
		return Prepared(stream);
	}

	std::string TakeOutput()
	{
		return Classic<std::ostringstream>().str();
	}

	std::istream& InputStream(std::string_view text)
	{
		auto& stream = Classic<std::istringstream>();
		stream.str(std::string(text));
		return Prepared(stream);
	}
}
