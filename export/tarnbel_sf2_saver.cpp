#include "tarnbel_sf2_saver.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <set>

#include "KitFileUtil.h"
#include "application.h"
#include "choose_directory.h"
#include "dialogs.h"
#include "message_box.h"
#include "progress_form.h"
#include "registry_internal.h"
#include "sf_edit.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using sfedit::Handle;
namespace slot = sfedit::slot;

namespace {

const char* const kEngineNameValue = "SFEDT32Name";
const char* const kLastFolderValue = "LastSaverFolder";
const char* const kBoxCaption = "tarnbel";
const char* const kNoEngineText =
    "File \"sfedt32.dll\" can't be found or incorrect. You might try to download this file from tarnbel site.";
const char* const kCantCreateText = "Can't create SoundFont";
const char* const kTooComplexText =
    "SoundFont Edit Engine failed to save this file. Probably you are trying to create something too complex.";
const char* const kFailedWavesText =
    "There were errors (probably format unsupported) with the following waveforms:\r\n\r\n";
const char* const kFailedFilesText = "There were errors (file missing or damaged) with the following SoundFonts:\r\n\r\n";
const char* const kSkippedText =
    "The following presets were not written (bank or program out of range, or the place already taken):\r\n\r\n";
const char* const kNothingWrittenText = "None of the presets could be written, so no SoundFont file was made.";
const char* const kCommentText = "created with TARNBEL v1.24.2";
const char* const kPlaceholderName = "fake";
const size_t kNameChars = sfedit::NameChars;
const int32_t kWaveBank = 200;
const int32_t kDrumBank = 128;
const int32_t kServerDrumBank = 32768;
const int32_t kPlaceholderProgram = 127;

TSaverFolderChooser& FolderChooser() {
  static TSaverFolderChooser chooser;
  return chooser;
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool ListHolds(const std::vector<std::string>& list, const std::string& name, bool caseBlind) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& s) {
    return caseBlind ? AnsiSameText(s, name) : s == name;
  });
}

std::string CreationDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LongMonthName(now.wMonth) + " " + std::to_string(now.wDay) + ", " + std::to_string(now.wYear);
}

std::string ReadDefaultValue(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::string();
  char buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof buffer - 1, type = 0;
  LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
  return buffer;
}

// The program part of an open command: the quoted part when it begins with a quote.
std::string CommandProgram(const std::string& command) {
  if (command.empty() || command[0] != '"') return command;
  size_t close = command.find('"', 1);
  return command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

std::string FolderPart(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The system's error when no file can be made in the folder (read-only, vanished, not a folder); 0 when
// one can. The probe file goes again at once.
DWORD FolderWriteError(const std::string& folder) {
  const std::string probe = ui::IncludeTrailingBackslash(folder) + "~tarnbel" + MakeRandomName() + ".tmp";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error ? error : ERROR_ACCESS_DENIED;
  }
  CloseHandle(file);
  return 0;
}

void ReportUnwritableFolder(const std::string& folder, DWORD error) {
  ui::ShowMessageBox("Can't write into folder \"" + folder + "\": " + ui::SysErrorMessage(error), kBoxCaption,
                     MB_OK | MB_ICONSTOP);
}

// The engine's entry points by role, on the bound table.
class TEngine {
 public:
  explicit TEngine(TSFEdit& edit) : Edit(edit) {}
  TSFEdit& Edit;

  int32_t Create(Handle& sf) { return Call<sfedit::CreateProc>(slot::Create, &sf); }
  int32_t SetInfo(Handle sf, uint32_t field, const std::string& text) {
    return Call<sfedit::SetInfoProc>(slot::SetInfo, sf, field, text.c_str());
  }
  int32_t Save(Handle sf, const std::string& file) { return Call<sfedit::SaveProc>(slot::Save, sf, file.c_str()); }
  int32_t Open(const std::string& file, Handle& sf) { return Call<sfedit::OpenProc>(slot::Open, file.c_str(), &sf); }
  int32_t Read(Handle sf) { return Call<sfedit::SoundFontProc>(slot::Read, sf); }
  int32_t Release(Handle sf) { return Call<sfedit::SoundFontProc>(slot::Release, sf); }
  int32_t Close(Handle sf) { return Call<sfedit::SoundFontProc>(slot::Close, sf); }
  int32_t SetUp(Handle sf) { return Call<sfedit::SetUpProc>(slot::SetUp, sf, sfedit::SetUpDefaults); }
  int32_t FindPreset(Handle sf, int32_t bank, int32_t program, Handle& preset) {
    preset = 0;
    return Call<sfedit::FindPresetProc>(slot::FindPreset, sf, bank, program, &preset);
  }
  int32_t AddPreset(Handle sf, const std::string& name, int32_t bank, int32_t program, Handle source,
                    Handle& preset) {
    preset = 0;
    return Call<sfedit::AddPresetProc>(slot::AddPreset, sf, name.c_str(), bank, program, source, &preset);
  }
  int32_t CopyPreset(Handle source, Handle preset, Handle target, int32_t bank, int32_t program,
                     const std::string& name, Handle* copy) {
    return Call<sfedit::CopyPresetProc>(slot::CopyPreset, source, preset, target, bank, program, name.c_str(), copy);
  }
  int32_t FirstSample(Handle sf, Handle& walk) { return Call<sfedit::WalkProc>(slot::FirstSample, sf, &walk); }
  int32_t NextSample(Handle sf, Handle& walk) { return Call<sfedit::WalkProc>(slot::NextSample, sf, &walk); }
  int32_t SampleAt(Handle sf, Handle walk, Handle& item) {
    return Call<sfedit::ItemAtProc>(slot::SampleAt, sf, walk, &item);
  }
  int32_t FirstInstrument(Handle sf, Handle& walk) {
    return Call<sfedit::WalkProc>(slot::FirstInstrument, sf, &walk);
  }
  int32_t NextInstrument(Handle sf, Handle& walk) { return Call<sfedit::WalkProc>(slot::NextInstrument, sf, &walk); }
  int32_t InstrumentAt(Handle sf, Handle walk, Handle& item) {
    return Call<sfedit::ItemAtProc>(slot::InstrumentAt, sf, walk, &item);
  }
  std::string SampleName(Handle sf, Handle item) { return Name(slot::SampleName, sf, item); }
  std::string InstrumentName(Handle sf, Handle item) { return Name(slot::InstrumentName, sf, item); }
  int32_t RenameSample(Handle sf, Handle item, const std::string& name) {
    return Call<sfedit::SetNameProc>(slot::RenameSample, sf, item, name.c_str());
  }
  int32_t RenameInstrument(Handle sf, Handle item, const std::string& name) {
    return Call<sfedit::SetNameProc>(slot::RenameInstrument, sf, item, name.c_str());
  }
  int32_t ImportWave(Handle sf, const std::string& file, const std::string& sampleName, Handle& sample) {
    return Call<sfedit::ImportWaveProc>(slot::ImportWave, sf, file.c_str(), sampleName.c_str(), &sample);
  }
  int32_t RightSample(Handle sf, Handle sample, Handle& right) {
    return Call<sfedit::RightSampleProc>(slot::RightSample, sf, sample, &right);
  }
  int32_t AddInstrument(Handle sf, const std::string& name, Handle& instrument) {
    return Call<sfedit::AddInstrumentProc>(slot::AddInstrument, sf, name.c_str(), &instrument);
  }
  int32_t AddZone(Handle sf, Handle instrument, Handle sample, Handle& zone) {
    return Call<sfedit::AddZoneProc>(slot::AddZone, sf, instrument, sample, &zone);
  }
  int32_t AddRightZone(Handle sf, Handle instrument, Handle sample, Handle& zone) {
    return Call<sfedit::AddZoneProc>(slot::AddRightZone, sf, instrument, sample, &zone);
  }
  int32_t SetPan(Handle sf, Handle zone, int16_t amount) {
    return Call<sfedit::SetGeneratorProc>(slot::SetGenerator, sf, zone, sfedit::GeneratorPan, amount);
  }

 private:
  template <typename Proc, typename... Args>
  int32_t Call(size_t offset, Args... args) {
    return Edit.Entry<Proc>(offset)(args...);
  }
  std::string Name(size_t offset, Handle sf, Handle item) {
    char buffer[64] = {};
    if (Call<sfedit::GetNameProc>(offset, sf, item, buffer, uint32_t(sizeof buffer)) != sfedit::ResultOk)
      return std::string();
    return buffer;
  }
};

// A SoundFont of the engine, closed when it goes.
class TEngineSoundFont {
 public:
  explicit TEngineSoundFont(TEngine& engine) : FEngine(engine) {}
  ~TEngineSoundFont() {
    if (FHandle) FEngine.Close(FHandle);
  }
  TEngineSoundFont(const TEngineSoundFont&) = delete;
  TEngineSoundFont& operator=(const TEngineSoundFont&) = delete;
  // A new SoundFont; with setUp its defaults are set too.
  bool Create(bool setUp) {
    if (FEngine.Create(FHandle) != sfedit::ResultOk) return FHandle = 0, false;
    return !setUp || FEngine.SetUp(FHandle) == sfedit::ResultOk;
  }
  Handle Get() const { return FHandle; }

 private:
  TEngine& FEngine;
  Handle FHandle = 0;
};

// The caller's window takes no input while the writer lets the message loop run.
class TOwnerDisabled {
 public:
  explicit TOwnerDisabled(ui::TComponent* owner) : FControl(dynamic_cast<ui::TWinControl*>(owner)) {
    if (FControl && FControl->Enabled()) FControl->SetEnabled(false);
    else FControl = nullptr;
  }
  ~TOwnerDisabled() {
    if (FControl) FControl->SetEnabled(true);
  }

 private:
  ui::TWinControl* FControl;
};

// Names of the records a run could not write, for the box at its end.
struct TRunProblems {
  std::vector<std::string> FailedWaves, FailedFiles, Skipped;
  // Files the disk had no room for, and the system's words for it.
  std::vector<std::string> NotWritten;
  std::string NotWrittenReason;
  bool NothingWritten = false;

  void Report() const {
    std::string text;
    auto section = [&text](const std::string& head, const std::vector<std::string>& names) {
      if (names.empty()) return;
      if (!text.empty()) text += "\r\n";
      text += head;
      for (const std::string& name : names) text += name + "\r\n";
    };
    if (NothingWritten) text = std::string(kNothingWrittenText) + "\r\n";
    section(kFailedWavesText, FailedWaves);
    section(kFailedFilesText, FailedFiles);
    section(kSkippedText, Skipped);
    section("The following SoundFont files were not written (" + NotWrittenReason + "):\r\n\r\n", NotWritten);
    if (!text.empty()) ui::ShowMessageBox(text, kBoxCaption, MB_OK | MB_ICONWARNING);
  }
};

// The bank and program a record goes to, with the drum rule applied; false when they are out of range.
bool TargetOf(const CachedPresetRecord& record, int32_t& bank, int32_t& program) {
  bank = record.Bank == kServerDrumBank ? kDrumBank : record.Bank;
  program = record.Program;
  if (record.SourceBank == kDrumBank || record.SourceBank == kServerDrumBank) bank = kDrumBank;
  return bank >= 0 && bank <= kDrumBank && program >= 0 && program <= 127;
}

std::string RecordName(const CachedPresetRecord& record) { return GetShortString(record.PresetName); }
std::string RecordFile(const CachedPresetRecord& record) { return GetShortString(record.SourceFile); }
bool IsWave(const CachedPresetRecord& record) { return record.SourceBank == kWaveBank; }

std::string Described(const CachedPresetRecord& record) {
  return RecordName(record) + " (" + std::to_string(record.Bank) + ":" + std::to_string(record.Program) + ")";
}

// One saving run: the engine, the progress window, the unique names given so far and the problems met.
class TSaveRun {
 public:
  TSaveRun(ui::TComponent* owner, TSFEdit& edit, CachedPresetRecord* records, int count)
      : Engine(edit), Progress(new TProgressForm(owner)), FRecords(records), FCount(count) {}

  TEngine Engine;
  TRunProblems Problems;
  // Set when the run cannot go on (its folder cannot be written); no record is handled after it.
  bool Stopped = false;
  std::vector<std::string> SampleNames, InstrumentNames;
  std::unique_ptr<TProgressForm, ui::TFreeDeleter> Progress;

  void Step(const std::string& text) {
    Progress->SetText(text);
    Progress->SetProgress(FCount > 0 ? FDone * 100 / FCount : 100);
    ui::Application().ProcessMessages();
  }

  // Walks the records from the last to the first, one source file at a time: the file is opened and
  // read once for all its records. handle gets each record whose file could be read, with the opened
  // SoundFont (0 for a wave). Every record is marked done.
  void WalkRecords(const std::function<void(CachedPresetRecord&, Handle source)>& handle) {
    for (int i = FCount - 1; i >= 0 && !Stopped; --i) {
      if (FRecords[i].SourceFile[0] == 0) continue;
      const std::string file = RecordFile(FRecords[i]);
      Handle source = 0;
      bool opened = false, failed = false;
      for (int j = i; j >= 0 && !Stopped; --j) {
        CachedPresetRecord& record = FRecords[j];
        if (record.SourceFile[0] == 0 || !AnsiSameText(RecordFile(record), file)) continue;
        Step("Adding preset: " + RecordName(record));
        if (!IsWave(record) && !opened) {
          opened = true;
          failed = Engine.Open(file, source) != sfedit::ResultOk || Engine.Read(source) != sfedit::ResultOk;
          if (failed) Problems.FailedFiles.push_back(file);
        }
        if (IsWave(record) || !failed) handle(record, source);
        record.SourceFile[0] = 0;
        ++FDone;
      }
      if (source) {
        Engine.Close(source);
        Engine.Release(source);
      }
    }
  }

  // Builds the wave's preset in sf at bank:program. False when the engine could not take the wave.
  bool AddWave(Handle sf, const CachedPresetRecord& record, int32_t bank, int32_t program, Handle& preset) {
    const std::string file = RecordFile(record), name = RecordName(record);
    Handle sample = 0, instrument = 0, right = 0, zone = 0, rightZone = 0;
    std::vector<std::string> sampleNames = SampleNames;
    if (Engine.ImportWave(sf, file, MakeUniqueSoundFontName(sampleNames, name), sample) != sfedit::ResultOk) {
      Problems.FailedWaves.push_back(file);
      return false;
    }
    if (Engine.RightSample(sf, sample, right) == sfedit::ResultOk && right) {
      // Room for the channel marks first, so the two halves keep names of their own.
      std::string base = name.substr(0, kNameChars - 3);
      Engine.RenameSample(sf, sample, MakeUniqueSoundFontName(SampleNames, base + "(L)"));
      Engine.RenameSample(sf, right, MakeUniqueSoundFontName(SampleNames, base + "(R)"));
    } else {
      right = 0;
      SampleNames = sampleNames;
    }
    bool ok = Engine.AddInstrument(sf, MakeUniqueSoundFontName(InstrumentNames, name), instrument) == sfedit::ResultOk;
    if (ok && right) {
      ok = Engine.AddRightZone(sf, instrument, right, rightZone) == sfedit::ResultOk &&
           Engine.AddZone(sf, instrument, sample, zone) == sfedit::ResultOk &&
           Engine.SetPan(sf, zone, -500) == sfedit::ResultOk && Engine.SetPan(sf, rightZone, 500) == sfedit::ResultOk;
    } else if (ok) {
      ok = Engine.AddZone(sf, instrument, sample, zone) == sfedit::ResultOk;
    }
    ok = ok && Engine.AddPreset(sf, name, bank, program, instrument, preset) == sfedit::ResultOk;
    if (!ok) Problems.FailedWaves.push_back(file);
    return ok;
  }

  // The placeholder preset at bank 0, program 127 on the first sample of sf.
  bool AddPlaceholder(Handle sf, const std::string& name) {
    Handle walk = 0, sample = 0, preset = 0;
    return Engine.FirstSample(sf, walk) == sfedit::ResultOk && Engine.SampleAt(sf, walk, sample) == sfedit::ResultOk &&
           Engine.AddPreset(sf, name, 0, kPlaceholderProgram, sample, preset) == sfedit::ResultOk;
  }

  void SetInfo(Handle sf, const std::string& fileName) {
    Engine.SetInfo(sf, sfedit::InfoName, WithoutExtension(FileNameOf(fileName)));
    Engine.SetInfo(sf, sfedit::InfoComment, kCommentText);
    Engine.SetInfo(sf, sfedit::InfoCreationDate, CreationDate());
  }

  // The disk's error when a failed save of sf into the folder was the disk's lack of room, else 0: the
  // system's error the engine's write left, or else the same SoundFont saved into the temporary folder is
  // bigger than the room the folder's disk has.
  DWORD DiskFullError(Handle sf, const std::string& folder, DWORD saveError) {
    if (saveError == ERROR_DISK_FULL || saveError == ERROR_HANDLE_DISK_FULL) return saveError;
    const std::string trial = GetTempDir() + "~tarnbel" + MakeRandomName() + ".tmp";
    WIN32_FILE_ATTRIBUTE_DATA saved{};
    ULARGE_INTEGER room{};
    const bool full = Engine.Save(sf, trial) == sfedit::ResultOk &&
                      GetFileAttributesExA(trial.c_str(), GetFileExInfoStandard, &saved) &&
                      GetDiskFreeSpaceExA(folder.c_str(), &room, nullptr, nullptr) &&
                      (uint64_t(saved.nFileSizeHigh) << 32 | saved.nFileSizeLow) > room.QuadPart;
    DeleteFileA(trial.c_str());
    return full ? ERROR_DISK_FULL : 0;
  }

  // Saves beside the file and puts the result in its place only when whole: a failing save leaves an
  // existing file as it was. False after the box that says why; a file a full disk kept out is noted for
  // the run's one box instead. A folder that cannot be written ends the run: every later file would fail
  // alike.
  bool Save(Handle sf, const std::string& fileName) {
    const std::string beside = fileName + "." + MakeRandomName() + ".tmp";
    SetLastError(ERROR_SUCCESS);
    if (Engine.Save(sf, beside) != sfedit::ResultOk) {
      const DWORD saveError = GetLastError();
      DeleteFileA(beside.c_str());
      const std::string folder = ui::ExtractFilePath(fileName);
      if (DWORD full = DiskFullError(sf, folder, saveError)) {
        Problems.NotWritten.push_back(fileName);
        Problems.NotWrittenReason = ui::SysErrorMessage(full);
        return false;
      }
      if (DWORD error = FolderWriteError(folder)) {
        ReportUnwritableFolder(folder, error);
        Stopped = true;
      } else {
        ui::ShowMessageBox(kTooComplexText, kBoxCaption, MB_OK | MB_ICONSTOP);
      }
      return false;
    }
    if (!MoveFileExA(beside.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      DWORD error = GetLastError();
      DeleteFileA(beside.c_str());
      ui::ShowMessageBox("Can't write file \"" + fileName + "\": " + ui::SysErrorMessage(error), kBoxCaption,
                         MB_OK | MB_ICONSTOP);
      return false;
    }
    return true;
  }

 private:
  CachedPresetRecord* FRecords;
  int FCount;
  int FDone = 0;
};

// The engine's leftovers in the temporary folder: "~sf" files without an extension.
void DeleteEngineTempFiles() {
  const std::string folder = GetTempDir();
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "~sf*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.find('.') == std::string::npos)
      DeleteFileA((folder + name).c_str());
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// A second save while one runs (its message loop lets menus work) is refused.
bool saving = false;

class TSavingFlag {
 public:
  TSavingFlag() { saving = true; }
  ~TSavingFlag() { saving = false; }
};

}  // namespace

bool CanLoadLibrary(const std::string& path) {
  if (path.empty()) return false;
  UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibraryA(path.c_str());
  SetErrorMode(mode);
  if (!library) return false;
  FreeLibrary(library);
  return true;
}

std::string LocateSfEditEngine() {
  std::string stored = TRegKey(TarnbelKeyPath, true).ReadString(kEngineNameValue, sfedit::LibraryName);
  if (CanLoadLibrary(stored)) return stored;
  if (CanLoadLibrary(sfedit::LibraryName)) return sfedit::LibraryName;

  const std::string fileType = ReadDefaultValue(HKEY_CLASSES_ROOT, ".SF2");
  if (!fileType.empty()) {
    const std::string command = ReadDefaultValue(HKEY_CLASSES_ROOT, fileType + "\\shell\\open\\command");
    const std::string folder = FolderPart(CommandProgram(command));
    if (!folder.empty() && CanLoadLibrary(folder + sfedit::LibraryName)) return folder + sfedit::LibraryName;
  }

  ui::TOpenDialog dialog(nullptr);
  dialog.SetTitle("Locate sfedt32.dll (typically in Vienna folder)");
  dialog.SetFilter("sfedt32.dll|SFEDT32.DLL|All files|*.*");
  dialog.SetDefaultExt("dll");
  if (dialog.Execute()) {
    std::string candidate = FolderPart(dialog.FileName()) + sfedit::LibraryName;
    if (CanLoadLibrary(candidate)) return candidate;
  }
  return std::string();
}

std::string EnsureSfEditEngine() {
  std::string path = LocateSfEditEngine();
  if (path.empty()) ui::ShowMessageBox(kNoEngineText, kBoxCaption, MB_OK | MB_ICONINFORMATION);
  else TRegKey(TarnbelKeyPath, true).WriteString(kEngineNameValue, path);
  return path;
}

std::string MakeRandomName() {
  static std::mt19937 random(static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
                             GetCurrentProcessId());
  char text[24];
  snprintf(text, sizeof text, "%010u%010u", static_cast<unsigned>(random()), static_cast<unsigned>(random()));
  return text;
}

std::string MakeUniqueSoundFontName(std::vector<std::string>& list, const std::string& name) {
  std::string base = name.substr(0, kNameChars), candidate = base;
  for (int counter = 1; ListHolds(list, candidate, false); ++counter) {
    const std::string number = std::to_string(counter);
    while (!base.empty() && base.size() + number.size() > kNameChars) base.pop_back();
    candidate = base + number;
  }
  list.push_back(candidate);
  return candidate;
}

void MakeUniqueEngineNames(TSFEdit& edit, Handle sf) {
  TEngine engine(edit);
  struct TNamed {
    Handle Item;
    std::string Name;
  };
  std::vector<TNamed> samples, instruments;
  // Random names first, so no renaming below meets a name still in use.
  Handle walk = 0;
  for (int32_t r = engine.FirstSample(sf, walk); r == sfedit::ResultOk; r = engine.NextSample(sf, walk)) {
    Handle item = 0;
    if (engine.SampleAt(sf, walk, item) != sfedit::ResultOk) break;
    samples.push_back({item, engine.SampleName(sf, item)});
    engine.RenameSample(sf, item, MakeRandomName());
  }
  for (int32_t r = engine.FirstInstrument(sf, walk); r == sfedit::ResultOk; r = engine.NextInstrument(sf, walk)) {
    Handle item = 0;
    if (engine.InstrumentAt(sf, walk, item) != sfedit::ResultOk) break;
    instruments.push_back({item, engine.InstrumentName(sf, item)});
    engine.RenameInstrument(sf, item, MakeRandomName());
  }
  std::vector<std::string> given;
  for (auto it = instruments.rbegin(); it != instruments.rend(); ++it)
    engine.RenameInstrument(sf, it->Item, MakeUniqueSoundFontName(given, it->Name));
  given.clear();
  for (const TNamed& sample : samples) engine.RenameSample(sf, sample.Item, MakeUniqueSoundFontName(given, sample.Name));
}

TSaverFolderChooser SetSaverFolderChooser(TSaverFolderChooser chooser) {
  TSaverFolderChooser previous = FolderChooser();
  FolderChooser() = std::move(chooser);
  return previous;
}

void SavePresetsAsSoundFont(ui::TComponent* owner, CachedPresetRecord* records, int count,
                            const std::string& defaultFileName) {
  if (saving || !records || count <= 0) return;
  TSavingFlag flag;
  const std::string enginePath = EnsureSfEditEngine();
  if (enginePath.empty()) return;

  TRegKey settings(TarnbelKeyPath, true);
  ui::TSaveDialog dialog(owner);
  dialog.SetTitle("Choose name and location for SoundFont file:");
  dialog.SetFilter("SoundFonts|*.sf2|All files|*.*");
  dialog.SetDefaultExt("sf2");
  dialog.SetOptions((1u << ui::ofOverwritePrompt) | (1u << ui::ofHideReadOnly) | (1u << ui::ofPathMustExist) |
                    (1u << ui::ofEnableSizing));
  dialog.SetInitialDir(settings.ReadString(kLastFolderValue, ""));
  dialog.SetFileName(defaultFileName);
  if (!dialog.Execute()) return;
  const std::string fileName = dialog.FileName(), folder = ui::ExtractFilePath(fileName);
  if (DWORD error = FolderWriteError(folder)) {
    ReportUnwritableFolder(folder, error);
    return;
  }

  TSFEdit edit(enginePath);
  TEngine engine(edit);
  std::unique_ptr<TEngineSoundFont> target;
  if (edit.Bound()) {
    target = std::make_unique<TEngineSoundFont>(engine);
    if (!target->Create(false)) target.reset();
  }
  if (!target) {
    ui::ShowMessageBox(kCantCreateText, kBoxCaption, MB_OK | MB_ICONSTOP);
    return;
  }
  const Handle sf = target->Get();

  TOwnerDisabled disabled(owner);
  TSaveRun run(owner, edit, records, count);
  run.Step("Creating SoundFont...");
  std::set<int32_t> taken;
  std::vector<std::string> presetNames;
  bool bank0 = false;
  run.WalkRecords([&](CachedPresetRecord& record, Handle source) {
    int32_t bank, program;
    if (!TargetOf(record, bank, program) || taken.count(bank * 128 + program)) {
      run.Problems.Skipped.push_back(Described(record));
      return;
    }
    TEngineSoundFont temporary(run.Engine);
    bool added = false;
    if (IsWave(record)) {
      if (!temporary.Create(true)) {
        run.Problems.FailedWaves.push_back(RecordFile(record));
        return;
      }
      Handle built = 0;
      added = run.AddWave(temporary.Get(), record, 0, 0, built) &&
              run.Engine.CopyPreset(temporary.Get(), built, sf, bank, program, RecordName(record), nullptr) ==
                  sfedit::ResultOk;
    } else {
      Handle found = 0, copy = 0;
      // A preset its file lacks is skipped without a word.
      if (run.Engine.FindPreset(source, record.SourceBank, record.SourcePreset, found) != sfedit::ResultOk || !found)
        return;
      if (!temporary.Create(false) ||
          run.Engine.CopyPreset(source, found, temporary.Get(), 0, 0, "", &copy) != sfedit::ResultOk) {
        run.Problems.Skipped.push_back(Described(record));
        return;
      }
      MakeUniqueEngineNames(edit, temporary.Get());
      added = run.Engine.CopyPreset(temporary.Get(), copy, sf, bank, program, RecordName(record), nullptr) ==
              sfedit::ResultOk;
      if (!added) run.Problems.Skipped.push_back(Described(record));
    }
    if (!added) return;
    taken.insert(bank * 128 + program);
    presetNames.push_back(RecordName(record).substr(0, kNameChars));
    if (bank == 0) bank0 = true;
  });

  if (taken.empty()) {
    run.Problems.NothingWritten = true;
  } else {
    if (!bank0) run.AddPlaceholder(sf, MakeUniqueSoundFontName(presetNames, kPlaceholderName));
    run.SetInfo(sf, fileName);
    run.Step("Saving SoundFont file...");
    // The folder is remembered once a file went into it.
    if (run.Save(sf, fileName)) settings.WriteString(kLastFolderValue, folder);
  }
  target.reset();
  run.Progress.reset();
  run.Problems.Report();
  DeleteEngineTempFiles();
}

void SavePresetsAsSeparateSoundFonts(ui::TComponent* owner, CachedPresetRecord* records, int count) {
  if (saving || !records || count <= 0) return;
  TSavingFlag flag;
  const std::string enginePath = EnsureSfEditEngine();
  if (enginePath.empty()) return;

  TRegKey settings(TarnbelKeyPath, true);
  std::string folder = settings.ReadString(kLastFolderValue, "");
  const std::string caption = "Choose directory for SoundFont files:";
  int answer = FolderChooser() ? FolderChooser()(owner, folder, caption) : ChooseDirectory(owner, folder, caption);
  if (answer != ui::mrOk || folder.empty()) return;
  const std::string chosen = folder;
  if (DWORD error = FolderWriteError(chosen)) {
    ReportUnwritableFolder(chosen, error);
    return;
  }
  folder = ui::IncludeTrailingBackslash(folder);

  TSFEdit edit(enginePath);
  if (!edit.Bound()) {
    ui::ShowMessageBox(kCantCreateText, kBoxCaption, MB_OK | MB_ICONSTOP);
    return;
  }
  TOwnerDisabled disabled(owner);
  TSaveRun run(owner, edit, records, count);
  run.Step("Initializing..");
  std::vector<std::string> usedNames;
  bool anyWritten = false, cantCreate = false;
  run.WalkRecords([&](CachedPresetRecord& record, Handle source) {
    int32_t bank, program;
    if (!TargetOf(record, bank, program)) {
      run.Problems.Skipped.push_back(Described(record));
      return;
    }
    TEngineSoundFont target(run.Engine);
    if (!target.Create(IsWave(record))) {
      cantCreate = true;
      return;
    }
    const Handle sf = target.Get();
    const std::string name = RecordName(record);
    run.SampleNames.clear();
    run.InstrumentNames.clear();
    if (IsWave(record)) {
      Handle preset = 0;
      if (!run.AddWave(sf, record, bank, program, preset)) return;
    } else {
      Handle found = 0;
      if (run.Engine.FindPreset(source, record.SourceBank, record.SourcePreset, found) != sfedit::ResultOk || !found)
        return;
      if (run.Engine.CopyPreset(source, found, sf, bank, program, name, nullptr) != sfedit::ResultOk) {
        run.Problems.Skipped.push_back(Described(record));
        return;
      }
      MakeUniqueEngineNames(edit, sf);
    }
    if (bank != 0) run.AddPlaceholder(sf, name == kPlaceholderName ? "fake_" : kPlaceholderName);

    // Names of this run and files already in the folder are both taken, whatever their case.
    std::string base = SanitizeFileName(name), fileBase = base;
    for (int counter = 1;
         ListHolds(usedNames, fileBase, true) || FileExistsNotDir(folder + fileBase + ".sf2") ||
         DirectoryOrDriveExists(folder + fileBase + ".sf2");
         ++counter) {
      if (base.size() > 15) base.resize(15);
      fileBase = base + " " + std::to_string(counter);
    }
    usedNames.push_back(fileBase);
    const std::string fileName = folder + fileBase + ".sf2";
    run.SetInfo(sf, fileName);
    run.Step("Saving SoundFont: " + fileBase + ".sf2");
    if (run.Save(sf, fileName)) anyWritten = true;
  });
  run.Progress.reset();
  // The folder is remembered once a file went into it.
  if (anyWritten) settings.WriteString(kLastFolderValue, chosen);
  if (cantCreate) ui::ShowMessageBox(kCantCreateText, kBoxCaption, MB_OK | MB_ICONSTOP);
  if (!anyWritten && !cantCreate && !run.Stopped && run.Problems.NotWritten.empty()) run.Problems.NothingWritten = true;
  run.Problems.Report();
  DeleteEngineTempFiles();
}
