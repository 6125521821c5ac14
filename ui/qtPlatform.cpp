#include "ui/qtPlatform.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QThread>
#include <QUrl>
#include <QWidget>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include "config/codepage.h"

QString toQt(std::string_view cp1252) { return QString::fromStdString(cp1252ToUtf8(cp1252)); }

std::string fromQt(const QString& s) { return utf8ToCp1252(s.toStdString()); }

QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 8, QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = contentsRect().adjusted(2, 0, -2, 0);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width());
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shown);
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip) setToolTip(tip);
}

VaStatusBar::VaStatusBar(QWidget* parent, int part0Width) : QStatusBar(parent) {
    for (QLabel*& l : parts_) {
        l = new ElidedLabel(this);
        l->setTextFormat(Qt::PlainText);
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    parts_[0]->setMinimumWidth(part0Width);
    addWidget(parts_[0]);
    addWidget(parts_[1], 1);
}

namespace {

// A button, group box or menu item shows "&x" as a shortcut mark: the
// program's texts (category names, "Cinema & Series") mean the character.
QString escapeAmp(const QString& s) {
    QString out = s;
    return out.replace('&', "&&");
}
QString unescapeAmp(const QString& s) {
    QString out = s;
    return out.replace("&&", "&");
}

// The boxes' texts break lines with "\r\n" and, in a few fixed texts, "\n\r".
QString boxText(const std::string& text) {
    QString s = toQt(text);
    s.replace("\r\n", "\n").replace("\n\r", "\n").replace('\r', '\n');
    return s;
}

QString qtFilter(const std::vector<std::string>& filter) {
    QStringList parts;
    for (size_t i = 0; i + 1 < filter.size(); i += 2) {
        QString desc = toQt(filter[i]);
        QString pattern = toQt(filter[i + 1]).replace(';', ' ');
        // "*.*" means every file; here it would only take names with a dot.
        if (pattern == "*.*") {
            pattern = "*";
            desc.replace("(*.*)", "(*)");
        }
        // Qt takes the patterns from the parentheses of the description.
        if (!desc.contains('(')) desc += " (" + pattern + ")";
        parts << desc;
    }
    return parts.join(";;");
}

std::string pathOf(const QString& s) { return QFile::encodeName(s).toStdString(); }
QString qtPath(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }

int boxDefaultAnswer(unsigned flags) {
    switch (flags & 0xF) {
    case kMbOkCancel: return kIdCancel;
    case kMbYesNo: return kIdNo;
    default: return kIdOk;
    }
}

}  // namespace

QtPlatform::QtPlatform(QObject* parent) : QObject(parent) {}

QtPlatform::~QtPlatform() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        closing_ = true;
    }
    answered_.notify_all();
    if (job_.joinable()) job_.join();
}

bool QtPlatform::onWindowThread() const { return QThread::currentThread() == thread(); }

HCtl QtPlatform::handle(QObject* o) {
    if (!o) return nullptr;
    if (!live_.contains(o)) {
        live_.insert(o);
        connect(o, &QObject::destroyed, this, [this, o] { live_.remove(o); });
    }
    // The handle is the object's address; it is only ever looked up in live_.
    return reinterpret_cast<HCtl>(o);
}

QObject* QtPlatform::object(HCtl h) const {
    QObject* o = reinterpret_cast<QObject*>(h);
    return o && live_.contains(o) ? o : nullptr;
}

void QtPlatform::setMainWindow(QWidget* w, std::function<void()> destroy) {
    main_ = w;
    destroyMain_ = std::move(destroy);
    handle(w);
}

void QtPlatform::post(std::function<void()> f) {
    if (onWindowThread()) {
        f();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (closing_) return;
    }
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

template <typename R>
R QtPlatform::ask(std::function<R()> f, R fallback) {
    if (onWindowThread()) return f();
    struct Pending {
        bool done = false;
        R value{};
    };
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (closing_) return fallback;
    }
    QMetaObject::invokeMethod(
        this,
        [this, pending, f = std::move(f)] {
            R value = f();
            std::lock_guard<std::mutex> lock(mu_);
            pending->value = std::move(value);
            pending->done = true;
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(mu_);
    answered_.wait(lock, [&] { return pending->done || closing_; });
    return pending->done ? pending->value : fallback;
}

void QtPlatform::putText(QObject* o, const QString& text) {
    if (auto* l = qobject_cast<QLabel*>(o))
        l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(o))
        b->setText(escapeAmp(text));
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        g->setTitle(escapeAmp(text));
    else if (auto* e = qobject_cast<QLineEdit*>(o))
        e->setText(text);
    else if (auto* a = qobject_cast<QAction*>(o))
        a->setText(escapeAmp(text));
    else if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow())
        w->setWindowTitle(text);
    else if (o)
        o->setProperty("vaText", text);
}

QString QtPlatform::takeText(QObject* o) {
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return unescapeAmp(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(o)) return unescapeAmp(g->title());
    if (auto* e = qobject_cast<QLineEdit*>(o)) return e->text();
    if (auto* a = qobject_cast<QAction*>(o)) return unescapeAmp(a->text());
    if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow()) return w->windowTitle();
    return o ? o->property("vaText").toString() : QString();
}

HCtl QtPlatform::createControl(const std::string& name) {
    // Only tools ask for controls they do not show; give them a plain object.
    auto* o = new QObject(this);
    o->setObjectName(QString::fromStdString(name));
    return handle(o);
}

void QtPlatform::setText(HCtl c, const std::string& text) {
    post([this, c, t = toQt(text)] { putText(object(c), t); });
}

std::string QtPlatform::text(HCtl c) {
    return ask<std::string>([this, c] { return fromQt(takeText(object(c))); }, std::string());
}

void QtPlatform::setEnabled(HCtl c, bool on) {
    post([this, c, on] {
        QObject* o = object(c);
        if (auto* w = qobject_cast<QWidget*>(o))
            w->setEnabled(on);
        else if (auto* a = qobject_cast<QAction*>(o))
            a->setEnabled(on);
    });
}

bool QtPlatform::enabled(HCtl c) {
    return ask<bool>(
        [this, c] {
            QObject* o = object(c);
            if (auto* w = qobject_cast<QWidget*>(o)) return w->isEnabled();
            if (auto* a = qobject_cast<QAction*>(o)) return a->isEnabled();
            return false;
        },
        false);
}

void QtPlatform::setChecked(HCtl c, bool on) {
    post([this, c, on] {
        QObject* o = object(c);
        if (auto* b = qobject_cast<QAbstractButton*>(o)) {
            // An exclusive group keeps one button ticked; the program may
            // clear it all the same (as the window system lets it).
            QButtonGroup* g = b->group();
            const bool exclusive = !on && g && g->exclusive() && b->isChecked();
            if (exclusive) g->setExclusive(false);
            b->setChecked(on);
            if (exclusive) g->setExclusive(true);
        } else if (auto* a = qobject_cast<QAction*>(o)) {
            a->setChecked(on);
        }
    });
}

bool QtPlatform::checked(HCtl c) {
    return ask<bool>(
        [this, c] {
            QObject* o = object(c);
            if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->isChecked();
            if (auto* a = qobject_cast<QAction*>(o)) return a->isChecked();
            return false;
        },
        false);
}

void QtPlatform::setVisible(HCtl c, bool on) {
    post([this, c, on] {
        QObject* o = object(c);
        if (auto* w = qobject_cast<QWidget*>(o))
            w->setVisible(on);
        else if (auto* a = qobject_cast<QAction*>(o))
            a->setVisible(on);
    });
}

void QtPlatform::setRows(HCtl c, const std::vector<std::string>& rows) {
    QStringList items;
    for (const std::string& r : rows) items << toQt(r);
    post([this, c, items] {
        QObject* o = object(c);
        // Filling a list is the program's doing, not a selection by the user.
        const QSignalBlocker block(o);
        if (auto* l = qobject_cast<QListWidget*>(o)) {
            l->clear();
            l->addItems(items);
        } else if (auto* cb = qobject_cast<QComboBox*>(o)) {
            cb->clear();
            cb->addItems(items);
        }
    });
}

void QtPlatform::setStatus(HCtl bar, int part, const std::string& text) {
    if (part < 0 || part > 1) return;
    post([this, bar, part, t = toQt(text)] {
        if (auto* s = qobject_cast<VaStatusBar*>(object(bar))) s->part(part)->setText(t);
    });
}

void QtPlatform::setStatusPath(HCtl bar, int part, const std::string& fsText) {
    if (part < 0 || part > 1) return;
    post([this, bar, part, t = qtPath(fsText)] {
        if (auto* s = qobject_cast<VaStatusBar*>(object(bar))) s->part(part)->setText(t);
    });
}

void QtPlatform::setProgressRange(HCtl bar, int lo, int hi) {
    post([this, bar, lo, hi] {
        if (auto* p = qobject_cast<QProgressBar*>(object(bar))) p->setRange(lo, hi);
    });
}

void QtPlatform::setProgress(HCtl bar, int pos) {
    post([this, bar, pos] {
        if (auto* p = qobject_cast<QProgressBar*>(object(bar))) p->setValue(pos);
    });
}

QWidget* QtPlatform::ownerWidget(HCtl owner) const {
    auto* w = qobject_cast<QWidget*>(object(owner));
    return w ? w->window() : nullptr;
}

UiCall QtPlatform::present(UiCall call) {
    if (onShow) onShow(call);
    std::optional<std::optional<std::string>> path;  // a queued dialog answer
    bool haveAnswer = false;
    bool scripted;
    {
        std::lock_guard<std::mutex> lock(mu_);
        scripted = scripted_;
        auto take = [&](std::deque<std::optional<std::string>>& q) {
            if (q.empty()) return;
            path = std::move(q.front());
            q.pop_front();
        };
        switch (call.kind) {
        case UiCall::kBox:
            if (!boxAnswers_.empty()) {
                call.answer = boxAnswers_.front();
                boxAnswers_.pop_front();
                haveAnswer = true;
            }
            break;
        case UiCall::kFolder: take(folders_); break;
        case UiCall::kSave: take(saves_); break;
        case UiCall::kOpen: take(opens_); break;
        case UiCall::kPassword: take(passwords_); break;
        }
    }
    if (call.kind != UiCall::kBox) {
        if (path) {
            haveAnswer = true;
            if (*path) {
                call.chosen = **path;
                call.answer = 1;
            }
        }
    }
    if (!haveAnswer && scripted) {
        if (call.kind == UiCall::kBox) call.answer = boxDefaultAnswer(call.flags);
        haveAnswer = true;
    }
    if (!haveAnswer) {
        QWidget* owner = main_.data();
        QString chosen;
        switch (call.kind) {
        case UiCall::kBox: call.answer = showBox(call, call.owned ? owner : nullptr); break;
        case UiCall::kFolder:
            chosen =
                QFileDialog::getExistingDirectory(owner, toQt(call.caption), qtPath(call.path));
            break;
        case UiCall::kSave:
            chosen = QFileDialog::getSaveFileName(owner, toQt(call.caption), qtPath(call.path),
                                                  qtFilter(call.filter));
            break;
        case UiCall::kOpen:
            chosen = QFileDialog::getOpenFileName(owner, toQt(call.caption), qtPath(call.path),
                                                  qtFilter(call.filter));
            break;
        case UiCall::kPassword: {
            bool ok = false;
            const QString typed = QInputDialog::getText(owner, toQt(call.caption), toQt(call.text),
                                                        QLineEdit::Password, QString(), &ok);
            // An empty password is an answer too.
            if (ok) {
                call.chosen = typed.toStdString();
                call.answer = 1;
            }
            break;
        }
        }
        if (call.kind != UiCall::kBox && call.kind != UiCall::kPassword && !chosen.isEmpty()) {
            call.chosen = pathOf(chosen);
            call.answer = 1;
        }
    } else if (call.kind == UiCall::kSave && call.answer) {
        // A scripted folder stands for "the default name in that folder".
        std::error_code ec;
        if (std::filesystem::is_directory(call.chosen, ec))
            call.chosen =
                (std::filesystem::path(call.chosen) / std::filesystem::path(call.path).filename())
                    .string();
    }
    if (call.kind == UiCall::kSave && call.answer)
        call.chosen = withDefaultExtension(call.chosen, call.defExt);
    {
        std::lock_guard<std::mutex> lock(mu_);
        shown_.push_back(call);
    }
    return call;
}

int QtPlatform::showBox(const UiCall& call, QWidget* owner) {
    QMessageBox box(owner);
    box.setWindowTitle(toQt(call.caption));
    box.setText(boxText(call.text));
    box.setTextFormat(Qt::PlainText);
    switch (call.flags & 0xF0) {
    case kMbIconError: box.setIcon(QMessageBox::Critical); break;
    case kMbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case kMbIconWarning: box.setIcon(QMessageBox::Warning); break;
    case kMbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (call.flags & 0xF) {
    case kMbOkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case kMbYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return kIdOk;
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    case QMessageBox::Cancel: return kIdCancel;
    default: return boxDefaultAnswer(call.flags);
    }
}

int QtPlatform::messageBox(HCtl owner, const std::string& text, const std::string& caption,
                           unsigned flags) {
    UiCall call;
    call.kind = UiCall::kBox;
    call.caption = caption;
    call.text = text;
    call.flags = flags;
    call.fromJob = !onWindowThread();
    return ask<int>(
        [this, call, owner]() mutable {
            call.owned = ownerWidget(owner) != nullptr;
            return present(call).answer;
        },
        boxDefaultAnswer(flags));
}

bool QtPlatform::browseFolder(HCtl, const std::string& title, std::string* path) {
    UiCall call;
    call.kind = UiCall::kFolder;
    call.caption = title;
    call.path = *path;
    call.fromJob = !onWindowThread();
    UiCall done = ask<UiCall>([this, call] { return present(call); }, UiCall{});
    if (!done.answer) return false;
    *path = done.chosen;
    return true;
}

bool QtPlatform::saveFileDialog(HCtl, const std::string& title,
                                const std::vector<std::string>& filter, const std::string& defExt,
                                std::string* path) {
    UiCall call;
    call.kind = UiCall::kSave;
    call.caption = title;
    call.filter = filter;
    call.defExt = defExt;
    call.path = *path;
    call.fromJob = !onWindowThread();
    UiCall done = ask<UiCall>([this, call] { return present(call); }, UiCall{});
    if (!done.answer) return false;
    *path = done.chosen;
    return true;
}

bool QtPlatform::openFileDialog(HCtl, const std::string& title,
                                const std::vector<std::string>& filter, std::string* path) {
    UiCall call;
    call.kind = UiCall::kOpen;
    call.caption = title;
    call.filter = filter;
    call.path = *path;
    call.fromJob = !onWindowThread();
    UiCall done = ask<UiCall>([this, call] { return present(call); }, UiCall{});
    if (!done.answer) return false;
    *path = done.chosen;
    return true;
}

bool QtPlatform::askPassword(const std::string& title, const std::string& text,
                             std::string* password) {
    UiCall call;
    call.kind = UiCall::kPassword;
    call.caption = title;
    call.text = text;
    const UiCall done = present(call);
    if (!done.answer) return false;
    *password = done.chosen;
    return true;
}

bool QtPlatform::startJob(JobFn fn, void* param, JobEndFn onEnd) {
    if (!fn || running_) return false;
    collectJob();  // a job that returned and was not told yet is told first
    {
        std::lock_guard<std::mutex> lock(mu_);
        jobReturned_ = false;
    }
    onEnd_ = std::move(onEnd);
    running_ = true;
    try {
        job_ = std::thread([this, fn, param] {
            const uint32_t code = fn(param);
            {
                std::lock_guard<std::mutex> lock(mu_);
                jobCode_ = code;
                jobReturned_ = true;
            }
            running_ = false;
            post([this] { collectJob(); });
        });
    } catch (const std::system_error&) {
        running_ = false;
        onEnd_ = nullptr;
        return false;
    }
    return true;
}

void QtPlatform::collectJob() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!jobReturned_ || !job_.joinable()) return;
    }
    job_.join();
    JobEndFn end = std::move(onEnd_);
    onEnd_ = nullptr;
    uint32_t code;
    {
        std::lock_guard<std::mutex> lock(mu_);
        code = jobCode_;
    }
    if (end) end(code);
}

bool QtPlatform::jobRunning() { return running_; }

uint32_t QtPlatform::waitJob() {
    // The event loop serves the job's boxes meanwhile; the job's end, posted
    // to this loop, is what ends the wait.
    while (job_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (jobReturned_) break;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    collectJob();
    std::lock_guard<std::mutex> lock(mu_);
    return jobCode_;
}

bool QtPlatform::openUrl(const std::string& url) {
    bool scripted, opens;
    {
        std::lock_guard<std::mutex> lock(mu_);
        urls_.push_back(url);
        scripted = scripted_;
        opens = urlsOpen_;
    }
    if (scripted) return opens;
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void QtPlatform::destroyWindow(HCtl window) {
    QObject* o = object(window);
    if (o && o == main_.data() && destroyMain_) {
        destroyMain_();
        return;
    }
    if (auto* w = qobject_cast<QWidget*>(o)) {
        w->hide();
        w->deleteLater();
    }
}

VaTime QtPlatform::localTime() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (clock_) return *clock_;
    }
    return systemLocalTime();
}

void QtPlatform::setScripted(bool on) {
    std::lock_guard<std::mutex> lock(mu_);
    scripted_ = on;
}

void QtPlatform::answerMessageBox(int answer) {
    std::lock_guard<std::mutex> lock(mu_);
    boxAnswers_.push_back(answer);
}

void QtPlatform::answerFolder(std::optional<std::string> path) {
    std::lock_guard<std::mutex> lock(mu_);
    folders_.push_back(std::move(path));
}

void QtPlatform::answerSave(std::optional<std::string> path) {
    std::lock_guard<std::mutex> lock(mu_);
    saves_.push_back(std::move(path));
}

void QtPlatform::answerOpen(std::optional<std::string> path) {
    std::lock_guard<std::mutex> lock(mu_);
    opens_.push_back(std::move(path));
}

void QtPlatform::answerPassword(std::optional<std::string> password) {
    std::lock_guard<std::mutex> lock(mu_);
    passwords_.push_back(std::move(password));
}

std::vector<UiCall> QtPlatform::shown() const {
    std::lock_guard<std::mutex> lock(mu_);
    return shown_;
}

void QtPlatform::clearShown() {
    std::lock_guard<std::mutex> lock(mu_);
    shown_.clear();
}

std::vector<std::string> QtPlatform::urls() const {
    std::lock_guard<std::mutex> lock(mu_);
    return urls_;
}

void QtPlatform::setClock(std::optional<VaTime> t) {
    std::lock_guard<std::mutex> lock(mu_);
    clock_ = t;
}
