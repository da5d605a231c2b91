#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/http_test_server.h"

// The whole update natively, against the stand-in, for the tables that check
// one run per row and for the process frame: an installation laid out on
// drive C:, the loopback server the download host names, a run of both
// halves of the script with its sleeps recorded (not slept) and the window
// read at each, and what the run left behind. The test executable that links
// it takes its download host from here.
namespace whole_run {

extern const std::string kInstall;
extern const std::string kBackup;
// All Users is the symbolic link to ProgramData that Windows makes.
extern const std::string kPrefs;
extern const std::string kPublicPrefs;
extern const std::string kServed;    // what the server gives as the download
extern const std::string kTempFile;  // where the download lands
extern const std::string kOldExecutable;
extern const std::string kOldInf;
extern const std::string kNewInf;
extern const char kTitle[];

struct Installation {
  std::string prefs = kPrefs;  // where qz.inf lies
  // A library beside QZ.exe, and Addresses.inf beside qz.inf.
  bool withLibraryAndAddresses = true;
};

// What a run before this one wrote or hid goes, and the installation is laid
// out anew at version 2.50, with no TEMP entry; the served file stays.
void LayOut(const Installation &installation = {});

// A loopback server that serves `servedBytes` as kServed for as long as this
// lives; it takes a while to start, so one serves many runs.
class DownloadHost {
 public:
  explicit DownloadHost(const std::string &servedBytes);
  bool Up() const { return server_.Port() != 0; }
  // The download host names the server, and TEMP names C:\users\Public.
  void Aim() const;

 private:
  bool driveReady_;  // before the server, which serves from the drive
  HttpTestServer server_;
};

// The download host names a port where nothing listens.
void AimNowhere();

// Each sleep as "<length> ms at <what the window shows>", each message box as
// "box <caption> <type>[ owned][ over the window]: <text>", in order.
using Events = std::vector<std::string>;

// Runs both halves of the script and the end of the process frame, with
// every sleep recorded (`atEachEvent` may change the drive there) and every
// message box answered OK; then ends the file holds and closes the windows.
Events RecordedRun(const std::function<void(const std::string &)> &atEachEvent = nullptr);

// Files staged or kept (".quorvel-") anywhere under the installation and
// preference folders.
std::vector<std::string> Leftovers();

// The script's events, to write a run's expectation with.

// The waits of one step that waits a hold out to the end of its budget.
extern const std::vector<DWORD> kWholeBudget;

Events SleepsAt(const std::string &window, const std::vector<DWORD> &lengths);
Events Joined(std::initializer_list<Events> pieces);

// Up to the download's end; one pause of 150 ms per TEMP entry.
Events UntilDownloaded(const std::vector<DWORD> &tempPauses);
// After a failed download.
Events DownloadFailed();
// From "File Downloaded" to the step that puts the download in place, with
// the waits of that step (its copy to QZ_previous.exe included).
Events Installing(const std::vector<DWORD> &waits);
// After the download was put in place: `openWaits` while qz.inf is opened,
// `writeBackWaits` while it is written back, as Addresses.inf is opened.
Events Updated(const std::vector<DWORD> &openWaits = {}, const std::vector<DWORD> &writeBackWaits = {});
// After the download could not be put in place.
Events NotUpdated();

}  // namespace whole_run
