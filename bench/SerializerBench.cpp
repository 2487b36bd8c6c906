// Parsing and saving a generated level of 1,000 objects, each with a Transform and two more
// components, beside a bare TinyXML parse and a bare TinyXML print of the same text as references.
#include "Serializer.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <sstream>
#include <string>

namespace
{
	constexpr int kObjects = 1000;

	std::string GenerateLevel()
	{
		Serializer writer;
		writer.Write<std::string>("nextLevel", "Level2").Write<std::string>("prevLevel", "MainMenu");
		writer.EnterNode("", "ObjectGroup");
		for (int index = 0; index < kObjects; ++index)
		{
			const float offset = static_cast<float>(index);
			writer.EnterNode("", "Object");
			writer.Write<std::string>("Archetype", "Crate" + std::to_string(index));
			writer.EnterNode("", "Component");
			writer.Write<std::string>("ComponentName", "Transform")
				.Write("Position", Tuple3f(offset * 1.5f, 2.25f, -offset))
				.Write("Rotation", Tuple3f(0.0f, offset * 0.1f, 0.0f))
				.Write("Scale", Tuple3f(1.0f, 1.0f, 1.0f));
			writer.LeaveNode();
			writer.EnterNode("", "Component");
			writer.Write<std::string>("ComponentName", "Body").Write("mass", 10.0f + offset).Write("static", index % 7 == 0);
			writer.LeaveNode();
			writer.EnterNode("", "Component");
			writer.Write<std::string>("ComponentName", "Model").Write<std::string>("file", "crate.mdl").Write("tint", Tuple4f(1, 0.5f, 0.25f, 1));
			writer.LeaveNode();
			writer.LeaveNode();
		}
		writer.LeaveNode();
		std::ostringstream text;
		writer.SaveToStream(text);
		return text.str();
	}

	const std::string& LevelText()
	{
		static const std::string text = GenerateLevel();
		return text;
	}

	void LoadLevel(benchmark::State& state)
	{
		const std::string& text = LevelText();
		for (auto _ : state)
		{
			Serializer::ClearFileCache();
			std::istringstream in(text);
			Serializer level;
			benchmark::DoNotOptimize(level.LoadFromStream(in, "bench-level.xml"));
		}
		state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
	}
	BENCHMARK(LoadLevel)->Unit(benchmark::kMillisecond);

	void SaveLevel(benchmark::State& state)
	{
		Serializer::ClearFileCache();
		std::istringstream in(LevelText());
		Serializer level;
		level.LoadFromStream(in, "bench-level.xml");
		for (auto _ : state)
		{
			std::ostringstream out;
			benchmark::DoNotOptimize(level.SaveToStream(out));
		}
	}
	BENCHMARK(SaveLevel)->Unit(benchmark::kMillisecond);

	void ReadEveryValue(benchmark::State& state)
	{
		Serializer::ClearFileCache();
		std::istringstream in(LevelText());
		Serializer level;
		level.LoadFromStream(in, "bench-level.xml");
		for (auto _ : state)
		{
			level.Rewind();
			std::string name;
			level.Read(name).Read(name);
			level.EnterNode("", "");
			while (level.HasMore())
			{
				level.EnterNode("", "");
				level.Read(name);
				while (level.HasMore())
				{
					level.EnterNode("", "");
					level.Read(name);
					if (name == "Transform")
					{
						Tuple3f position, rotation, scale;
						level.Read(position).Read(rotation).Read(scale);
						benchmark::DoNotOptimize(position);
					}
					level.LeaveNode();
				}
				level.LeaveNode();
			}
			level.LeaveNode();
		}
	}
	BENCHMARK(ReadEveryValue)->Unit(benchmark::kMillisecond);

	void TinyXmlParseReference(benchmark::State& state)
	{
		const std::string& text = LevelText();
		for (auto _ : state)
		{
			TiXmlDocument document;
			document.Parse(text.c_str());
			benchmark::DoNotOptimize(document.RootElement());
		}
		state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
	}
	BENCHMARK(TinyXmlParseReference)->Unit(benchmark::kMillisecond);

	void TinyXmlPrintReference(benchmark::State& state)
	{
		TiXmlDocument document;
		document.Parse(LevelText().c_str());
		for (auto _ : state)
		{
			TiXmlPrinter printer;
			printer.SetIndent("\t");
			document.Accept(&printer);
			benchmark::DoNotOptimize(printer.Size());
		}
	}
	BENCHMARK(TinyXmlPrintReference)->Unit(benchmark::kMillisecond);
}
