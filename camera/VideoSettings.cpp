#include "camera/VideoSettings.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/Holders.h"
#include "common/Messages.h"
#include "platform/Constants.h"
#include "platform/Scoped.h"

using namespace platform;

namespace camera {
namespace {

// Where the frame opens, in the owner's client area.
constexpr int kFrameX = 30;
constexpr int kFrameY = 30;

}  // namespace

void VideoSettings::OnVideoSetting() {
    if (m_bFrameOpen) {
        m_port.WriteLog("Video Setting: the property frame is open already", 0);
        return;
    }

    // The list exists only within a pass: this command runs one of its own.
    ScopedCom com(m_com);
    m_devices.EnumVideoDevice();
    struct EmptyOnExit {
        VideoDeviceList& devices;
        ~EmptyOnExit() { devices.RemoveDevice(); }
    } emptyOnExit{m_devices};

    if (m_devices.count() == 0) {
        m_port.post(common::kMsgGrayOut, 1, 0);
        return;
    }
    VideoDeviceEntry* entry = m_devices.FindSelectedVideoDevice();
    if (entry == nullptr || !entry->filter) {
        return;
    }

    std::unique_ptr<ISpecifyPropertyPages> specify;
    if (entry->filter->querySpecifyPropertyPages(specify) < 0 || !specify) {
        return;  // a driver without pages: nothing to show
    }
    std::vector<Guid> pages;
    if (specify->GetPages(pages) < 0) {
        m_port.WriteLog("Video Setting: GetPages failed", 0);
        return;
    }

    // The frame's loop dispatches everything, and a rotation pass run meanwhile empties
    // the list: the filter and the caption are taken out of the entry, which is not
    // touched again once the frame is up.
    std::unique_ptr<ICaptureFilter> filter = std::move(entry->filter);
    const std::string caption = entry->name;
    entry = nullptr;

    HResult hr = kS_OK;
    {
        common::OpenMark open(m_bFrameOpen);
        common::TrayMenuHold hold(m_port);
        hr = filter->oleCreatePropertyFrame(m_window.window(), kFrameX, kFrameY, caption, pages, 0);
    }
    if (hr == kE_OUTOFMEMORY) {
        m_port.WriteLog("Video Setting: out of memory for the caption", 0);
    }
}

}  // namespace camera
