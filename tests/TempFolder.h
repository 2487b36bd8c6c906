// Scratch folders for tests: a fresh folder under the system's temporary folder, removed with
// everything in it, and whole-file reads.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace test
{
	inline std::string ReadText(const std::string& path)
	{
		std::ifstream file(path, std::ios::binary);
		std::ostringstream text;
		text << file.rdbuf();
		return text.str();
	}

	// A fresh folder under the system's temporary folder, removed with everything in it.
	class TempFolder
	{
	public:
		TempFolder() : TempFolder(std::filesystem::temp_directory_path()) {}
		// Under another folder: a test that writes thousands of files wants one in memory.
		explicit TempFolder(const std::filesystem::path& parent)
		{
			static std::atomic<unsigned> counter{0};
			const std::string name = "tw-engine-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
				"-" + std::to_string(counter++) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this));
			// Test processes run side by side and may come to the same name (the sanitizers' heap
			// hands out the same addresses): a folder that exists already belongs to another one.
			std::filesystem::path folder;
			for (unsigned attempt = 0;; ++attempt)
			{
				folder = parent / (name + "-" + std::to_string(attempt));
				if (std::filesystem::create_directory(folder))
					break;
			}
			path = folder.string() + "/";
		}
		~TempFolder() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
		TempFolder(const TempFolder&) = delete;
		TempFolder& operator=(const TempFolder&) = delete;

		// Always ending in "/".
		const std::string& Path() const { return path; }
		void WriteFile(const std::string& relativePath, const std::string& text) const
		{
			const std::filesystem::path file = path + relativePath;
			std::filesystem::create_directories(file.parent_path());
			std::ofstream(file, std::ios::binary) << text;
		}
		std::string ReadFile(const std::string& relativePath) const { return ReadText(path + relativePath); }

	private:
		std::string path;
	};
}
