#pragma once
// The Qt backend of the platform layer: control handles are the window's
// real widgets, menu items and status bar, and the thread contract of
// platform/platform.h is kept with the event loop of the window's thread.
//
// A call from the job thread never touches a widget: it is posted to the
// window thread. Changes (texts, states, status, progress) are posted and
// return at once; reads, message boxes and dialogs are posted too, and the
// job waits until the window thread has answered. Calls from the window
// thread act at once. The window thread never waits for the job.
//
// Texts are Windows-1252 inside the program and converted here, at the
// edge. Paths are not texts: they are the file system's bytes both ways.
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStatusBar>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/platform.h"

class QWidget;

// Windows-1252 text of the program as a Qt string, and back (characters the
// code page lacks become '?').
QString toQt(std::string_view cp1252);
std::string fromQt(const QString& s);

// The status bar with its two parts: part 0 a state word, part 1 the rest.
// A status text that never widens the window: a text longer than its room
// is cut in the middle (a path keeps its start and its file name) and the
// whole text is its tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent) : QLabel(parent) {}
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
};

class VaStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit VaStatusBar(QWidget* parent, int part0Width);
    QLabel* part(int i) const { return parts_[i == 0 ? 0 : 1]; }

private:
    QLabel* parts_[2];
};

// A message box or dialog as it was asked for, and what it answered.
struct UiCall {
    enum Kind { kBox, kFolder, kSave, kOpen, kPassword } kind = kBox;
    std::string caption;  // box caption or dialog title
    std::string text;     // box text
    unsigned flags = 0;   // box buttons and icon
    std::vector<std::string> filter;
    std::string defExt;
    std::string path;      // a dialog's starting folder or default name
    bool owned = false;    // a box owned by the main window (else it has no owner)
    bool fromJob = false;  // asked by the job thread (and shown by the window thread)
    int answer = 0;        // the box's answer; a dialog's 1 chosen, 0 cancelled
    std::string chosen;    // the dialog's chosen path, or the password typed
};

class QtPlatform : public QObject, public Platform {
    Q_OBJECT
public:
    explicit QtPlatform(QObject* parent = nullptr);
    // Releases a job waiting for an answer (it gets "cancel") and waits for
    // the job to return; the window program does not come here with a job
    // running (it ends the process instead, see ui/main.cpp).
    ~QtPlatform() override;

    // The handle of a window object (widget, menu item); the window thread
    // only. A handle whose object is gone is ignored by every call.
    HCtl handle(QObject* o);
    QObject* object(HCtl h) const;
    template <typename T>
    T* get(HCtl h) const {
        return qobject_cast<T*>(object(h));
    }
    // destroyWindow of this widget runs destroy (the main window's end).
    void setMainWindow(QWidget* w, std::function<void()> destroy);
    bool onWindowThread() const;

    // Platform.
    HCtl createControl(const std::string& name) override;
    void setText(HCtl c, const std::string& text) override;
    std::string text(HCtl c) override;
    void setEnabled(HCtl c, bool on) override;
    bool enabled(HCtl c) override;
    void setChecked(HCtl c, bool on) override;
    bool checked(HCtl c) override;
    void setVisible(HCtl c, bool on) override;
    void setRows(HCtl c, const std::vector<std::string>& rows) override;
    void setStatus(HCtl bar, int part, const std::string& text) override;
    // A status text in the file system's encoding (a path, or a system
    // message that names one), shown as its characters: paths are bytes of
    // the file system, not Windows-1252 texts.
    void setStatusPath(HCtl bar, int part, const std::string& fsText) override;
    void setProgressRange(HCtl bar, int lo, int hi) override;
    void setProgress(HCtl bar, int pos) override;
    int messageBox(HCtl owner, const std::string& text, const std::string& caption,
                   unsigned flags) override;
    bool browseFolder(HCtl owner, const std::string& title, std::string* path) override;
    bool saveFileDialog(HCtl owner, const std::string& title,
                        const std::vector<std::string>& filter, const std::string& defExt,
                        std::string* path) override;
    bool openFileDialog(HCtl owner, const std::string& title,
                        const std::vector<std::string>& filter, std::string* path) override;
    // A password typed with its echo hidden (UTF-8); false when cancelled.
    // The window thread only.
    bool askPassword(const std::string& title, const std::string& text, std::string* password);
    bool startJob(JobFn fn, void* param, JobEndFn onEnd = {}) override;
    bool jobRunning() override;
    // Serves the event loop until the job has ended and its end was told.
    uint32_t waitJob() override;
    bool openUrl(const std::string& url) override;
    void destroyWindow(HCtl window) override;
    VaTime localTime() override;

    // The text of any window object as the program sees it (Windows-1252
    // in, Qt strings on the widget); buttons' '&' is shown as itself.
    static void putText(QObject* o, const QString& text);
    static QString takeText(QObject* o);

    // Test seam. Every box and dialog is recorded (shown()) and answered on
    // the window thread in this order: onShow runs first (it may act on the
    // window, as a user would while the box is up, and queue an answer); then
    // a queued answer of its kind is taken if there is one; else, scripted,
    // a box answers OK, Cancel or No by its buttons and a dialog is
    // cancelled; else the real box or dialog is shown.
    void setScripted(bool on);
    // Scripted: whether openUrl finds a browser.
    void setUrlsOpen(bool on) {
        std::lock_guard<std::mutex> lock(mu_);
        urlsOpen_ = on;
    }
    void answerMessageBox(int answer);
    void answerFolder(std::optional<std::string> path);
    // A folder as the answer takes the default name inside it.
    void answerSave(std::optional<std::string> path);
    void answerOpen(std::optional<std::string> path);
    void answerPassword(std::optional<std::string> password);
    std::function<void(const UiCall&)> onShow;
    std::vector<UiCall> shown() const;
    void clearShown();
    // Pages opened (recorded always; opened in the browser unless scripted).
    std::vector<std::string> urls() const;
    void setClock(std::optional<VaTime> t);

private:
    // Runs f on the window thread: at once there, else posted (wait: the
    // caller waits for it; fallback when the platform is closing).
    void post(std::function<void()> f);
    template <typename R>
    R ask(std::function<R()> f, R fallback);
    UiCall present(UiCall call);
    int showBox(const UiCall& call, QWidget* owner);
    QWidget* ownerWidget(HCtl owner) const;
    void collectJob();

    QSet<QObject*> live_;  // window thread only
    QPointer<QWidget> main_;
    std::function<void()> destroyMain_;

    mutable std::mutex mu_;  // the seam's queues and records, closing_
    std::condition_variable answered_;
    bool closing_ = false;
    bool scripted_ = false;
    bool urlsOpen_ = true;
    std::deque<int> boxAnswers_;
    std::deque<std::optional<std::string>> folders_, saves_, opens_, passwords_;
    std::vector<UiCall> shown_;
    std::vector<std::string> urls_;
    std::optional<VaTime> clock_;

    // The job.
    std::thread job_;
    std::atomic<bool> running_{false};
    std::thread::id jobThread_;  // guarded by mu_
    bool jobReturned_ = false;   // guarded by mu_
    uint32_t jobCode_ = 0;       // guarded by mu_
    JobEndFn onEnd_;             // window thread only
};
