#include "Components/Graphics/Shader.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Components/Graphics/TextureCache.h"

#include "Components/Graphics/GLContext.h"
#include "Components/Graphics/GLTest.h"
#include "HostileFiles.h"
#include "TempFolder.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

// Named, not anonymous: the fixtures carry the names of the classes they test.
namespace render_tests
{
	class ShaderProgram : public test::GLTest
	{
	protected:
		// A definition and its sources in the user folder, which the search paths look in first.
		void WriteProgram(const std::string& name, const std::string& first, const std::string& second)
		{
			engine->userFolder.WriteFile(name, "<ShaderProgram><string>" + first + "</string><string>" + second + "</string></ShaderProgram>");
		}
		void WriteSource(const std::string& name, const std::string& text) { engine->userFolder.WriteFile(name, text); }

		static std::string Captured(const std::function<void()>& action)
		{
			testing::internal::CaptureStdout();
			action();
			return testing::internal::GetCapturedStdout();
		}

		static constexpr const char* kVertex = "#version 120\nvoid main() { gl_Position = ftransform(); }\n";
		static constexpr const char* kFragment = "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n";
	};

	int LinkStatus(unsigned program)
	{
		GLint linked = 0;
		glGetProgramiv(program, GL_LINK_STATUS, &linked);
		return linked;
	}

TEST_F(ShaderProgram, EveryShippedProgramCompilesAndLinksWithAnEmptyLog)
{
	for (const char* name : {"GeometryPass", "AnimatedGeometryPass", "LightPass", "LightPassOmni", "ParticleShader", "Debug",
			 "HUDShader", "Forward"})
	{
		ShaderProgramEntry* entry = nullptr;
		const std::string log = Captured([&] { entry = GetShaderProgram(name); });
		EXPECT_EQ(log, "") << name;
		ASSERT_NE(entry->media.program, 0u) << name;
		EXPECT_EQ(LinkStatus(entry->media.program), GL_TRUE) << name;
		glValidateProgram(entry->media.program);
		ExpectNoGLError(name);
	}
}

TEST_F(ShaderProgram, RequestsShareOneEntryThatOutlivesItsUsersAndProgramsShareStages)
{
	ShaderProgramEntry* first = GetShaderProgram("GeometryPass");
	ShaderProgramEntry* second = GetShaderProgram("GeometryPass");
	EXPECT_EQ(first, second);
	EXPECT_EQ(first->count, 2u);
	const unsigned program = first->media.program;
	ReleaseMedia(first);
	ReleaseMedia(second);
	EXPECT_EQ(first, nullptr);
	ShaderProgramEntry* still = GetShaderProgram("GeometryPass");
	EXPECT_EQ(still->count, 1u);
	EXPECT_EQ(still->media.program, program) << "a cached program is not built again";

	// Programs naming one source share its stage.
	ShaderProgramEntry* skinned = GetShaderProgram("AnimatedGeometryPass");
	EXPECT_EQ(still->media.second, skinned->media.second);
	EXPECT_EQ(still->media.second->count, 2u);
	EXPECT_EQ(still->media.second->name, "GeometryPass.fs");
	EXPECT_NE(still->media.first, skinned->media.first);
}

TEST_F(ShaderProgram, BuildFailuresPrintTheLogOnceAndStayCached)
{
	WriteProgram("BrokenCompile", "BrokenCompile.vs", "BrokenCompile.fs");
	WriteProgram("BrokenLink", "BrokenCompile.vs", "BrokenLink.fs");
	WriteSource("BrokenCompile.vs", kVertex);
	WriteSource("BrokenCompile.fs", "#version 120\nvoid main() { gl_FragColor = undeclared; }\n");
	WriteSource("BrokenLink.fs", "#version 120\nvarying vec3 neverWritten;\nvoid main() { gl_FragColor = vec4(neverWritten, 1.0); }\n");
	ShaderProgramEntry* entry = nullptr;
	std::string log = Captured([&] { entry = GetShaderProgram("BrokenCompile"); });
	EXPECT_THAT(log, HasSubstr("Error encountered in BrokenCompile.fs\nError log: \n"));
	EXPECT_THAT(log, HasSubstr("undeclared"));
	ShaderProgramEntry* again = nullptr;
	EXPECT_EQ(Captured([&] { again = GetShaderProgram("BrokenCompile"); }), "");
	EXPECT_EQ(again, entry);
	EXPECT_EQ(again->count, 2u);

	// A link failure prints the program's name, then three lines.
	log = Captured([] { GetShaderProgram("BrokenLink"); });
	EXPECT_EQ(log.rfind("Shader program \"BrokenLink\":\nError encountered in linking program\nError log: \n", 0), 0u) << log;
	EXPECT_THAT(log, HasSubstr("neverWritten"));
	EXPECT_EQ(log.back(), '\n');
}

TEST_F(ShaderProgram, UnreadableDefinitionsGiveProgramZeroWithOneDiagnostic)
{
	WriteProgram("MissingSource", "NotThere.vs", "AlsoNotThere.fs");
	engine->userFolder.WriteFile("OneSource", "<ShaderProgram><string>Debug.vs</string></ShaderProgram>");
	const struct
	{
		const char* name;
		const char* diagnostic;
	} cases[] = {
		{"", "a program without a name"},
		{"NoSuchProgram", "\"NoSuchProgram\": no definition file"},
		{"OneSource", "\"OneSource\": the definition names one source, not two"},
	};
	for (const auto& program : cases)
	{
		ShaderProgramEntry* entry = nullptr;
		const std::string log = Captured([&] { entry = GetShaderProgram(program.name); });
		EXPECT_THAT(log, HasSubstr(program.diagnostic)) << program.name;
		EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
		EXPECT_EQ(entry->media.program, 0u);
		EXPECT_EQ(Captured([&] { GetShaderProgram(program.name); }), "") << "cached, so reported once";
	}
	const std::string log = Captured([] { GetShaderProgram("MissingSource"); });
	EXPECT_THAT(log, HasSubstr("Shader source \"NotThere.vs\" was not read: not found"));
	EXPECT_THAT(log, HasSubstr("Shader source \"AlsoNotThere.fs\" was not read: not found"));
}

TEST_F(ShaderProgram, DevicesFifosFoldersAndHugeFilesAreRefusedWithOneDiagnostic)
{
	test::ExpectEachRefusedWithOneDiagnostic(engine->userFolder, [](const std::string& path) {
		return Captured([&] { EXPECT_EQ(GetShaderProgram(path)->media.program, 0u); });
	});
}

TEST_F(ShaderProgram, StageFollowsTheNameVertexFirst)
{
	WriteSource("Both.vs.fs", kVertex);
	WriteSource("Both.fs.vs", kVertex);
	WriteSource("Plain.fs", kFragment);
	const struct
	{
		const char* file;
		GLint stage;
	} cases[] = {{"Both.vs.fs", GL_VERTEX_SHADER}, {"Both.fs.vs", GL_VERTEX_SHADER}, {"Plain.fs", GL_FRAGMENT_SHADER}};
	for (const auto& source : cases)
	{
		const unsigned shader = CompileShaderFile(source.file);
		GLint stage = 0;
		glGetShaderiv(shader, GL_SHADER_TYPE, &stage);
		EXPECT_EQ(stage, source.stage) << source.file;
		glDeleteShader(shader);
	}
	WriteSource("Neither.txt", kVertex);
	unsigned shader = 1;
	EXPECT_THAT(Captured([&] { shader = CompileShaderFile("Neither.txt"); }), HasSubstr("\"Neither.txt\" is named neither"));
	EXPECT_EQ(shader, 0u);
}

TEST_F(ShaderProgram, UseProgramBindsOnlyOnAChangeAndReleasingTheCachesForgetsTheBinding)
{
	const unsigned debug = GetShaderProgram("Debug")->media.program;
	EXPECT_TRUE(UseProgram(debug));
	EXPECT_FALSE(UseProgram(debug));
	GLint bound = 0;
	glGetIntegerv(GL_CURRENT_PROGRAM, &bound);
	EXPECT_EQ(static_cast<unsigned>(bound), debug);
	EXPECT_FALSE(UseProgram("Debug")) << "by name, the same program";

	ReleaseShaderCaches();
	EXPECT_EQ(CurrentProgram, 0u);
	// OpenGL hands the released name out again, now for a program whose uniforms differ.
	const unsigned omni = GetShaderProgram("LightPassOmni")->media.program;
	EXPECT_TRUE(UseProgram(omni)) << "a reused name must still be bound";
	EXPECT_EQ(UniformLocation(omni, Uniform::LightPos), glGetUniformLocation(omni, "lightPos"));
	EXPECT_GE(UniformLocation(omni, Uniform::LightPos), 0);
	EXPECT_EQ(UniformLocation(omni, Uniform::Color), glGetUniformLocation(omni, "color"));
	EXPECT_EQ(UniformLocation(omni, "invBufferDim"), glGetUniformLocation(omni, "invBufferDim"));
	EXPECT_EQ(UniformLocation(omni, Uniform::EmissiveFactor), -1);
	EXPECT_EQ(UniformLocation(0u, Uniform::Color), -1);
}

TEST_F(ShaderProgram, ShaderComponentsListByProgramNewestFirst)
{
	const std::string debug = test::ComponentXml("Shader", "<string>Debug</string>");
	const std::string hud = test::ComponentXml("Shader", "<string>HUDShader</string>");
	Composition* older = MakeObject(debug);
	Composition* hudObject = MakeObject(hud);
	Composition* newer = MakeObject(debug);
	for (Composition* object : {older, hudObject, newer})
		object->Start();
	std::vector<Shader*> listed;
	graphics->Shaders().ForEach([&](Shader* shader) { listed.push_back(shader); });
	ASSERT_EQ(listed.size(), 3u);
	const Shader* newerShader = newer->GetComponent<Shader>();
	const Shader* olderShader = older->GetComponent<Shader>();
	const std::size_t newerAt = std::find(listed.begin(), listed.end(), newerShader) - listed.begin();
	EXPECT_EQ(listed[newerAt + 1], olderShader) << "one program's shaders stay together, the newest first";
	for (std::size_t i = 1; i < listed.size(); ++i)
		EXPECT_GE(listed[i - 1]->GetProgram(), listed[i]->GetProgram());
	EXPECT_TRUE(newer->GetComponent<Shader>()->Update());
	EXPECT_FALSE(older->GetComponent<Shader>()->Update()) << "the same program is bound already";

	EXPECT_THAT(test::SavedText(*newer->GetComponent<Shader>()), HasSubstr("<string name=\"shader name\">Debug</string>"));
}

TEST(ShaderProgramWithoutAContext, ProgramsAndTexturesLoadAsNameZeroWithoutCallingOpenGL)
{
	if (HasGLContext())
		GTEST_SKIP() << "a window of another test is open";
	test::TempFolder folder;
	folder.WriteFile("Plain.vs", "void main() { gl_Position = ftransform(); }\n");
	folder.WriteFile("Plain.fs", "void main() { gl_FragColor = vec4(1.0); }\n");
	folder.WriteFile("Plain", "<ShaderProgram><string>" + folder.Path() + "Plain.vs</string><string>" + folder.Path() +
		"Plain.fs</string></ShaderProgram>");
	EXPECT_EQ(GetShaderProgram(folder.Path() + "Plain")->media.program, 0u);
	ReleaseShaderCaches();
	EXPECT_EQ(GetTexture(TW_TEST_DATA_DIR "../../Data/Images/Crate.png", GL_RGBA8, false)->media.texture, 0u);
	ReleaseTextureCache();
}
}
