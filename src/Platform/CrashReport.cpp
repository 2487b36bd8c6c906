#include "Platform/CrashReport.h"

#include "Utilities/FLException.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform
{
	namespace
	{
		// Everything the signal handler touches is prepared beforehand: it may only make
		// async-signal-safe calls, so no allocation, no stdio, no std::string.
		constexpr std::size_t kPathCapacity = 4096;
		constexpr std::size_t kNoteCapacity = 2048;
		constexpr int kMaxFrames = 64;
		constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

		char reportPath[kPathCapacity];
		char uncaughtNote[kNoteCapacity];
		volatile sig_atomic_t handlingCrash = 0;
		alignas(16) char alternateStack[64 * 1024];

		class SafeWriter
		{
		public:
			explicit SafeWriter(int fd) : fd(fd) {}

			SafeWriter& Text(const char* text)
			{
				std::size_t length = std::strlen(text);
				while (length > 0)
				{
					ssize_t written = write(fd, text, length);
					if (written < 0 && errno == EINTR)
						continue;
					if (written <= 0)
					{
						failed = true;
						return *this;
					}
					text += written;
					length -= static_cast<std::size_t>(written);
				}
				return *this;
			}

			SafeWriter& Number(unsigned long value, unsigned base = 10)
			{
				char digits[32];
				char* cursor = digits + sizeof(digits) - 1;
				*cursor = '\0';
				do
				{
					*--cursor = "0123456789abcdef"[value % base];
					value /= base;
				} while (value != 0);
				if (base == 16)
					Text("0x");
				return Text(cursor);
			}

			void CopyFile(const char* path)
			{
				int source = open(path, O_RDONLY);
				if (source < 0)
					return;
				char buffer[1024];
				ssize_t got;
				while ((got = read(source, buffer, sizeof(buffer) - 1)) > 0)
				{
					buffer[got] = '\0';
					Text(buffer);
				}
				close(source);
			}

			bool Failed() const { return failed; }

		private:
			int fd;
			bool failed = false;
		};

		const char* SignalName(int signal)
		{
			switch (signal)
			{
			case SIGSEGV: return "SIGSEGV (segmentation fault)";
			case SIGBUS: return "SIGBUS (bus error)";
			case SIGFPE: return "SIGFPE (arithmetic error)";
			case SIGILL: return "SIGILL (illegal instruction)";
			case SIGABRT: return "SIGABRT (abort)";
			default: return "unknown signal";
			}
		}

		bool WriteReport(int fd, int signal, const siginfo_t* info)
		{
			SafeWriter report(fd);
			report.Text("Tumblewreck crash report\n");
			report.Text("Signal: ").Number(static_cast<unsigned long>(signal)).Text(" ").Text(SignalName(signal)).Text("\n");
			report.Text("Faulting address: ").Number(reinterpret_cast<unsigned long>(info ? info->si_addr : nullptr), 16).Text("\n");
			report.Text("Process id: ").Number(static_cast<unsigned long>(getpid())).Text("\n");
			report.Text("Thread id: ").Number(static_cast<unsigned long>(syscall(SYS_gettid))).Text("\n");
			if (uncaughtNote[0] != '\0')
				report.Text(uncaughtNote);
			report.Text("\nBacktrace:\n");
			void* frames[kMaxFrames];
			int frameCount = backtrace(frames, kMaxFrames);
			if (report.Failed())
				return false;
			backtrace_symbols_fd(frames, frameCount, fd);
			report.Text("\nMemory map:\n");
			report.CopyFile("/proc/self/maps");
			return !report.Failed();
		}

		// The game makes its user folder only once it has started, so a crash while it starts makes
		// the report's folders itself, each in turn, as mkdir -p would.
		void MakeReportFolders()
		{
			char folder[kPathCapacity];
			std::memcpy(folder, reportPath, kPathCapacity);
			for (char* slash = std::strchr(folder + 1, '/'); slash != nullptr; slash = std::strchr(slash + 1, '/'))
			{
				*slash = '\0';
				mkdir(folder, 0755);
				*slash = '/';
			}
		}

		void ReportCrash(int signal, const siginfo_t* info)
		{
			SafeWriter console(STDERR_FILENO);
			if (reportPath[0] == '\0')
			{
				console.Text("The user path could not be found. Dump could not be saved.\n");
				return;
			}
			MakeReportFolders();
			int fd = open(reportPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
			if (fd < 0)
			{
				console.Text("Tumblewreck crashed and no data report could be saved.\n");
				return;
			}
			bool written = WriteReport(fd, signal, info);
			close(fd);
			if (written)
				console.Text("Tumblewreck crashed and saved a data report to: ").Text(reportPath).Text("\n");
			else
				console.Text("Tumblewreck crashed and failed to save a data report\n");
		}

		void OnFatalSignal(int signal, siginfo_t* info, void*)
		{
			// A crash inside the report falls straight through to the default action.
			if (!handlingCrash)
			{
				handlingCrash = 1;
				ReportCrash(signal, info);
			}
			std::signal(signal, SIG_DFL);
			raise(signal);
		}

		void OnTerminate()
		{
			if (std::exception_ptr current = std::current_exception())
			{
				try
				{
					std::rethrow_exception(current);
				}
				catch (const FLException& error)
				{
					std::snprintf(uncaughtNote, sizeof(uncaughtNote), "Uncaught FLException: %s (%s:%d)\n",
						error.Message().c_str(), error.File().c_str(), error.Line());
				}
				catch (const std::exception& error)
				{
					std::snprintf(uncaughtNote, sizeof(uncaughtNote), "Uncaught exception: %s\n", error.what());
				}
				catch (...)
				{
					std::snprintf(uncaughtNote, sizeof(uncaughtNote), "Uncaught exception of unknown type\n");
				}
				std::fputs(uncaughtNote, stderr);
			}
			std::abort();
		}
	}

	void InstallCrashReport(const std::string& path)
	{
		std::snprintf(reportPath, sizeof(reportPath), "%s", path.c_str());
		uncaughtNote[0] = '\0';

		// backtrace() loads its unwinder on first use, which allocates: do it now, not in the handler.
		void* warmUp[1];
		backtrace(warmUp, 1);

		stack_t stack{};
		stack.ss_sp = alternateStack;
		stack.ss_size = sizeof(alternateStack);
		sigaltstack(&stack, nullptr);

		struct sigaction action{};
		action.sa_sigaction = OnFatalSignal;
		action.sa_flags = SA_SIGINFO | SA_ONSTACK;
		sigemptyset(&action.sa_mask);
		for (int signal : kFatalSignals)
			sigaction(signal, &action, nullptr);
		std::set_terminate(OnTerminate);
	}
}
