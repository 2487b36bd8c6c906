// Fuzzes the script bindings: the bytes choose a sequence of calls (class, member, and the kind of
// each argument: numbers, strings, tuples of every class, null, plain objects, the wrapper of a
// destroyed component, values whose conversions throw or never end), written as JavaScript and
// run in a page, whose watchdog stops what runs too long. Whatever a page passes, a call
// neither crashes nor reads freed memory; a wrong argument only answers undefined.
#include "Components/Transform.h"
#include "Composition.h"
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "Object.h"
#include "Utilities/JavaScript.h"
#include "Utilities/v8/JSObject.h"

#include <v8-isolate.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace
{
	const char* const kClasses[] = {"Engine", "Message", "IDPair", "ObjectFromName", "ObjectFromId", "Tuple2i", "Vec2", "Vec3",
		"Vec4", "Origin", "Transform", "Camera", "Primitive", "Body"};
	const char* const kArguments[] = {"0", "-1", "2147483648", "1e308", "NaN", "'Crate'", "''", "null", "undefined", "({})",
		"new Tuple2i()", "new Vec2()", "new Vec3()", "new Vec4()", "new Message('M')", "dead", "crate", "[4, 'x', 7]",
		"({toString: function() { throw 1; }})", "({valueOf: function() { for (;;); }})",
		"Object.defineProperty([1], 0, {get: function() { throw 1; }})", "new Vec3(new Vec3())"};

	struct Member
	{
		std::string name;
		bool property;
		int arguments;
	};

	// Empty for a class whose source the program does not link.
	std::vector<Member> MembersOf(const char* className)
	{
		std::vector<Member> members;
		const JSObjectBase* scriptClass = JavaScript::Instance().FindClass(className);
		if (scriptClass == nullptr)
			return members;
		for (const JSFuncDesc* record = scriptClass->First()->next; record != nullptr; record = record->next)
			members.push_back({record->name, record->IsProperty(), record->argumentCount});
		return members;
	}

	HTMLView* Page()
	{
		static HTMLView* view = [] {
			HTMLEngine::Initialize(nullptr);
			HTMLEngine::SetScriptBudget(std::chrono::milliseconds(50));
			JavaScript::Instance().RegisterWithHTMLEngine();
			Transform::Register();
			const std::string path = "/tmp/ScriptBindingFuzzPage.html";
			std::ofstream(path) << "<body></body>";
			HTMLView* made = HTMLEngine::CreateView(16, 16, true, false);
			made->LoadFile(path);
			return made;
		}();
		return view;
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
	HTMLView* page = Page();
	Object doomed = CreateObject("Doomed");
	doomed.object->AddComponent(Transform::TypeId());
	CreateObject("Crate").object->AddComponent(Transform::TypeId());
	page->ExecuteJavascript("var dead = new ObjectFromName('Doomed', 0).GetComponent('Transform');"
							"var crate = new ObjectFromName('Crate', 0); void(0);");
	doomed.object->Destroy();
	ProcessObjectChanges();

	std::string script = "var pool = [];";
	std::size_t at = 0;
	auto next = [&]() -> unsigned { return at < size ? data[at++] : 0u; };
	while (at < size)
	{
		const char* className = kClasses[next() % std::size(kClasses)];
		const std::vector<Member> members = MembersOf(className);
		if (members.empty())
			continue;
		const Member& member = members[next() % members.size()];
		const unsigned receiver = next();
		script += "try { var r = " + std::string(receiver % 4 == 0 ? "pool[" + std::to_string(receiver % 8) + "]" :
															   "new " + std::string(className) + "('Crate', 0)") + ";";
		if (member.property)
			script += (next() % 2 == 0) ? "void r['" + member.name + "'];"
										: "r['" + member.name + "'] = " + kArguments[next() % std::size(kArguments)] + ";";
		else
		{
			std::string arguments;
			const int count = static_cast<int>(next() % static_cast<unsigned>(member.arguments + 2));
			for (int i = 0; i < count; ++i)
				arguments += std::string(i > 0 ? ", " : "") + kArguments[next() % std::size(kArguments)];
			script += "pool.push(r['" + member.name + "'](" + arguments + "));";
		}
		script += "} catch (e) {}";
	}
	page->ExecuteJavascript(script + " void(0);");
	// Full collections now and then, so that weak callbacks of dropped wrappers run too.
	static unsigned runs = 0;
	if (++runs % 64 == 0)
		HTMLEngine::GetIsolate()->LowMemoryNotification();
	DestroyAllObjects();
	return 0;
}
