#!/usr/bin/python3
"""A satellite receiver on loopback for the send tests: FTP on a folder that
stands for the box's /, and the box's web interface for reloading the lists
and reading back what the box loaded. See README.md next to this file."""

import argparse
import base64
import ctypes
import json
import logging
import os
import pwd
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, unquote, urlsplit


def log(line):
    sys.stderr.write("fakebox %s\n" % line)
    sys.stderr.flush()


class Faults:
    """The faults file, read again before every command and request so a
    test can change it while the box runs. Counters start again whenever the
    content changes, so each new setting acts from its first use on."""

    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        self.current = {}
        self.stored = 0      # bytes stored since the faults last changed
        self.cuts = 0        # uploads cut since then
        self.renames = 0     # RNTO commands seen since then

    def read(self):
        with self.lock:
            if not self.path:
                return dict(self.current)
            try:
                with open(self.path, encoding="utf-8") as f:
                    new = json.load(f)
                if not isinstance(new, dict):
                    raise ValueError("not an object")
            except FileNotFoundError:
                new = {}
            except (OSError, ValueError) as e:
                # A half-written file: keep the last good one.
                log("faults file unreadable (%s), keeping the last" % e)
                new = self.current
            if new != self.current:
                self.current = new
                self.stored = self.cuts = self.renames = 0
                log("faults now %s" % json.dumps(new, sort_keys=True))
            return dict(self.current)


# --- the lists as the box holds them in memory

DVB_FIELDS = 10


def normalise_ref(ref):
    """A service reference as the box prints it: type and flags decimal, the
    eight numbers in upper-case hex without leading zeros, the rest as is."""
    parts = ref.split(":")
    if len(parts) < DVB_FIELDS:
        return ref
    try:
        head = ["%d" % int(parts[0]), "%d" % int(parts[1])]
        head += ["%X" % int(p or "0", 16) for p in parts[2:DVB_FIELDS]]
    except ValueError:
        return ref
    return ":".join(head + parts[DVB_FIELDS:])


def ref_flags(ref):
    try:
        return int(ref.split(":")[1])
    except (IndexError, ValueError):
        return 0


def dvb_key(ref):
    """(sid, tsid, onid, namespace) of a service reference, the box's key
    into lamedb; the service type does not count."""
    parts = ref.split(":")
    try:
        return tuple(int(parts[i], 16) for i in (3, 4, 5, 6))
    except (IndexError, ValueError):
        return None


BOUQUET_FILE = re.compile(r'FROM BOUQUET "([^"]+)"')


class _Found:
    def __init__(self, name):
        self.name = name

    def group(self, _):
        return self.name


def bouquet_file(ref):
    """The bouquet file a reference names: FROM BOUQUET "name", or, in the
    older spelling, a bouquet reference (type 1, flags 7) whose path is the
    file name."""
    m = BOUQUET_FILE.search(ref)
    if m:
        return m
    parts = ref.split(":")
    if len(parts) > DVB_FIELDS and parts[1] == "7" and parts[DVB_FIELDS].startswith("userbouquet."):
        return _Found(parts[DVB_FIELDS])
    return None


def read_text(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def read_lamedb(folder):
    """{(sid, tsid, onid, ns): name} from lamedb (version 4 or 5), lamedb5
    when there is no lamedb."""
    names = {}
    for fname in ("lamedb", "lamedb5"):
        path = os.path.join(folder, fname)
        if os.path.exists(path):
            break
    else:
        return names
    lines = read_text(path).splitlines()
    if lines and "/5/" in lines[0]:
        for line in lines:
            if not line.startswith("s:"):
                continue
            ids, _, rest = line[2:].partition(",")
            f = ids.split(":")
            m = re.match(r'"(.*?)"(?:,|$)', rest)
            if len(f) >= 4 and m:
                try:
                    sid, ns, tsid, onid = (int(x, 16) for x in f[:4])
                except ValueError:
                    continue
                names[(sid, tsid, onid, ns)] = m.group(1)
        return names
    try:
        i = lines.index("services") + 1
    except ValueError:
        return names
    while i + 1 < len(lines) and lines[i] != "end":
        f = lines[i].split(":")
        if len(f) >= 4:
            try:
                sid, ns, tsid, onid = (int(x, 16) for x in f[:4])
                names[(sid, tsid, onid, ns)] = lines[i + 1]
            except ValueError:
                pass
        i += 3
    return names


def read_bouquet(path):
    """(name, [(ref, description or None)]) of a bouquet file."""
    name, entries = "", []
    for line in read_text(path).splitlines():
        if line.startswith("#NAME "):
            name = line[6:].strip()
        elif line.startswith("#SERVICE: "):    # the older spelling the box still reads
            entries.append([line[10:].strip(), None])
        elif line.startswith("#SERVICE "):
            entries.append([line[9:].strip(), None])
        elif line.startswith("#DESCRIPTION ") and entries:
            entries[-1][1] = line[13:].strip()
    return name, [tuple(e) for e in entries]


class Box:
    """What the box loaded at its last reload, not what is on disk now."""

    def __init__(self, root):
        self.folder = os.path.join(root, "etc", "enigma2")
        self.lock = threading.Lock()
        self.services = {}
        self.bouquets = {}   # file name -> (name, entries)
        self.reloads = []    # modes, in order

    def reload_lamedb(self):
        services = read_lamedb(self.folder)
        with self.lock:
            self.services = services

    def reload_bouquets(self):
        found, todo = {}, ["bouquets.tv", "bouquets.radio"]
        while todo:
            fname = todo.pop(0)
            path = os.path.join(self.folder, fname)
            if fname in found or "/" in fname or not os.path.isfile(path):
                continue
            found[fname] = read_bouquet(path)
            for ref, _ in found[fname][1]:
                m = bouquet_file(ref)
                if m:
                    todo.append(m.group(1))
        with self.lock:
            self.bouquets = found

    def service_list(self, sref):
        """[(reference, name)] the box lists for getservices?sRef=sref."""
        m = bouquet_file(sref) if sref else None
        fname = m.group(1) if m else "bouquets.tv"
        out = []
        with self.lock:
            if not sref or m:
                _, entries = self.bouquets.get(fname, ("", []))
            else:
                entries = []
            for ref, description in entries:
                if ref_flags(ref) & 512:   # hidden
                    continue
                sub = bouquet_file(ref)
                parts = [] if sub else ref.split(":")
                if description is not None:
                    name = description
                elif len(parts) > DVB_FIELDS + 1 and parts[DVB_FIELDS + 1]:
                    name = parts[DVB_FIELDS + 1]   # a name carried in the reference
                elif sub:
                    name = self.bouquets.get(sub.group(1), ("", []))[0]
                else:
                    name = self.services.get(dvb_key(ref), "")
                out.append((normalise_ref(ref), name))
        return out

    def state(self):
        with self.lock:
            return {
                "reloads": list(self.reloads),
                "lamedb_services": len(self.services),
                "bouquets": {f: {"name": b[0], "services": len(b[1])}
                             for f, b in self.bouquets.items()},
            }


RELOAD_TEXT = {
    "0": "reloaded both",
    "1": "reloaded lamedb",
    "2": "reloaded bouquets",
    "3": "reloaded transponders",
    "4": "reloaded parentalcontrol white-/blacklist",
}
# The box's own spelling, typo included.
RELOAD_WRONG = ("missing or wrong parameter mode [0=both, 1=lamedb only, "
                "2=userbouqets only, 3=transponders, "
                "4=parentalcontrol white-/blacklist]")


def xml_text(s):
    # The box escapes these three only; quotes in references stay as they are.
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def simple_result(state, text):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<e2simplexmlresult>\n'
            "\t<e2state>%s</e2state>\n\t<e2statetext>%s</e2statetext>\n"
            "</e2simplexmlresult>\n" % (state, xml_text(text)))


def service_list_xml(items):
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<e2servicelist>\n']
    for ref, name in items:
        out.append("\t<e2service>\n"
                   "\t\t<e2servicereference>%s</e2servicereference>\n"
                   "\t\t<e2servicename>%s</e2servicename>\n"
                   "\t</e2service>\n" % (xml_text(ref), xml_text(name)))
    out.append("</e2servicelist>\n")
    return "".join(out)


# --- web interface

def make_http_handler(box, faults, user, password):
    expected = "Basic " + base64.b64encode(
        ("%s:%s" % (user, password)).encode()).decode()

    class Handler(BaseHTTPRequestHandler):
        server_version = "fakebox"
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *args):
            log("http %s %s" % (self.client_address[0], fmt % args))

        def send_body(self, code, body, ctype="text/xml"):
            data = body.encode("utf-8")
            self.send_response(code)
            self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(data)))
            if code == 401:
                self.send_header("WWW-Authenticate", 'Basic realm="OpenWebif"')
            self.end_headers()
            if self.command != "HEAD":
                self.wfile.write(data)

        def do_HEAD(self):
            self.do_GET()

        def do_GET(self):
            f = faults.read()
            down = f.get("http_down")
            if down is True:
                # A web interface that is gone: the connection closes unanswered.
                log("http %s %s: dropped (http_down)"
                    % (self.client_address[0], self.requestline))
                self.close_connection = True
                return
            if down:
                self.send_body(int(down), "Service Unavailable\n", "text/plain")
                return
            if self.headers.get("Authorization") != expected:
                self.send_body(401, "<html><body>401 Authentication required"
                               "</body></html>\n", "text/html")
                return
            url = urlsplit(self.path)
            q = parse_qs(url.query, keep_blank_values=True)
            if url.path == "/web/servicelistreload":
                mode = unquote(q.get("mode", [""])[0])
                text = RELOAD_TEXT.get(mode)
                if text is None:
                    self.send_body(200, simple_result("False", RELOAD_WRONG))
                    return
                if f.get("reload_noop"):
                    log("http reload mode %s not done (reload_noop)" % mode)
                else:
                    if mode in ("0", "1"):
                        box.reload_lamedb()
                    if mode in ("0", "2"):
                        box.reload_bouquets()
                    with box.lock:
                        box.reloads.append(int(mode))
                self.send_body(200, simple_result("True", text))
            elif url.path == "/web/getservices":
                sref = q.get("sRef", [""])[0]
                self.send_body(200, service_list_xml(box.service_list(sref)))
            elif url.path == "/fakebox/state":
                self.send_body(200, json.dumps(box.state(), sort_keys=True) + "\n",
                               "application/json")
            else:
                self.send_body(404, "<html><body>404 Not Found</body></html>\n",
                               "text/html")

    return Handler


# --- FTP on pyftpdlib

def make_ftp_server(root, user, password, faults):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
    from pyftpdlib.ioloop import RetryError
    from pyftpdlib.servers import FTPServer

    class StorPlan:
        def __init__(self, path, f):
            match = f.get("cut_stor_match")
            times = f.get("cut_stor_times")
            self.path = path
            self.cut_at = None
            if "cut_stor_after" in f and (match is None or match in path) \
                    and (times is None or faults.cuts < times):
                self.cut_at = int(f["cut_stor_after"])
            self.budget = f.get("disk_full_after")
            self.written = 0
            self.full = False

    class DTP(ThrottledDTPHandler):
        """Data channel with the upload faults, and a rate that follows the
        faults file: never ahead of bytes/rate since the transfer began."""

        def __init__(self, sock, cmd_channel):
            super().__init__(sock, cmd_channel)
            self._t0 = None
            self._count = 0
            rate = self.rate()
            if rate:
                # Small reads keep the pace even, not one burst then a wait.
                size = max(512, min(65536, rate // 8))
                self.ac_in_buffer_size = self.ac_out_buffer_size = size

        def rate(self):
            try:
                return int(self.cmd_channel.faults_now.get("slow_bytes_per_sec", 0))
            except (TypeError, ValueError):
                return 0

        def recv(self, size):
            chunk = super(ThrottledDTPHandler, self).recv(size)
            self.pace(len(chunk))
            return chunk

        def send(self, data):
            sent = super(ThrottledDTPHandler, self).send(data)
            self.pace(sent)
            return sent

        def pace(self, n):
            rate = self.rate()
            if not rate or not n:
                return
            if self._t0 is None:
                self._t0 = time.monotonic()
            self._count += n
            wait = self._t0 + self._count / rate - time.monotonic()
            if wait > 0:
                self.del_channel()
                self._cancel_throttler()
                self._throttler = self.ioloop.call_later(
                    wait, self.wake, _errback=self.handle_error)

        def wake(self):
            if not self._closed:
                self.add_channel(events=self.ioloop.READ if self.receive
                                 else self.ioloop.WRITE)

        def handle_read(self):
            plan = self.cmd_channel.stor_plan
            if plan is None or not self.receive:
                return super().handle_read()
            try:
                chunk = self.recv(self.ac_in_buffer_size)
            except RetryError:
                return
            except socket.error:
                return self.handle_error()
            self.tot_bytes_received += len(chunk)
            if not chunk:
                self.transfer_finished = True
                return
            if self._data_wrapper is not None:
                chunk = self._data_wrapper(chunk)
            if plan.full:
                return   # drained, nothing kept
            if plan.cut_at is not None and plan.written + len(chunk) >= plan.cut_at:
                self.file_obj.write(chunk[:plan.cut_at - plan.written])
                with faults.lock:
                    faults.stored += plan.cut_at - plan.written
                    faults.cuts += 1
                log("ftp STOR %s cut after %d bytes (cut_stor_after)"
                    % (plan.path, plan.cut_at))
                self._resp = None
                self.close()
                self.cmd_channel.close()
                return
            if plan.budget is not None:
                with faults.lock:
                    if faults.stored + len(chunk) > int(plan.budget):
                        plan.full = True
                        faults.stored -= plan.written
                if plan.full:
                    log("ftp STOR %s: disk full (disk_full_after)" % plan.path)
                    return
            self.file_obj.write(chunk)
            plan.written += len(chunk)
            with faults.lock:
                faults.stored += len(chunk)

        # The base class binds this name to its own handle_read.
        handle_read_event = handle_read

        def handle_close(self):
            plan = self.cmd_channel.stor_plan
            if self.receive and plan is not None and plan.full and not self._closed:
                # The client sent the whole file and hears the refusal after.
                self._resp = ("452 Insufficient storage space.", logging.warning)
                name = self.file_obj.name
                self.close()
                try:
                    os.remove(name)
                except OSError:
                    pass
                return
            super().handle_close()

    class Handler(FTPHandler):
        dtp_handler = DTP
        auth_failed_timeout = 0.1
        banner = "fakebox ready."
        faults_now = {}
        stor_plan = None

        def pre_process_command(self, line, cmd, arg):
            self.faults_now = faults.read()
            shown = "PASS ****" if cmd == "PASS" else line
            log("ftp %s:%d %s" % (self.remote_ip, self.remote_port, shown))
            return super().pre_process_command(line, cmd, arg)

        def ftp_STOR(self, file, mode="w"):
            self.stor_plan = StorPlan(self.fs.fs2ftp(file), self.faults_now)
            return super().ftp_STOR(file, mode)

        def refuse_rename(self, path):
            f = self.faults_now
            match, after = f.get("refuse_rename_match"), f.get("refuse_rename_after")
            if match is None and after is None:
                return False
            return (match is None or match in self.fs.fs2ftp(path)) and \
                (after is None or faults.renames >= int(after))

        def ftp_RNFR(self, path):
            if self.refuse_rename(path):
                log("ftp RNFR %s refused (faults)" % self.fs.fs2ftp(path))
                self.respond("550 Rename refused.")
                return
            return super().ftp_RNFR(path)

        def ftp_RNTO(self, path):
            refused = self._rnfr and self.refuse_rename(path)
            with faults.lock:
                faults.renames += 1
            if refused:
                self._rnfr = None
                log("ftp RNTO %s refused (faults)" % self.fs.fs2ftp(path))
                self.respond("550 Rename refused.")
                return
            return super().ftp_RNTO(path)

    auth = DummyAuthorizer()
    auth.add_user(user, password, root, perm="elradfmwMT")
    Handler.authorizer = auth
    server = FTPServer(("127.0.0.1", 0), Handler)
    return server, server.socket.getsockname()[1]


# --- FTP on vsftpd

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def die_with_parent():
    # The box's FTP must not outlive the box, even when it is killed hard.
    try:
        ctypes.CDLL("libc.so.6").prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except OSError:
        pass


def start_vsftpd(root, workdir, tls=False):
    """vsftpd on ROOT as its anonymous root, uploads and renames allowed.
    vsftpd only logs in system users; a container has none for the test, so
    the login is anonymous (any password). Needs root for the chroot. With
    tls, the login and every transfer must be encrypted (explicit FTPS on a
    certificate made here): a client that does not use TLS is refused."""
    if os.geteuid() != 0:
        raise SystemExit("fakebox: --ftp-server vsftpd needs root")
    if not os.access("/usr/sbin/vsftpd", os.X_OK):
        raise SystemExit("fakebox: /usr/sbin/vsftpd is missing")
    ftp_user = "ftp"
    try:
        pw = pwd.getpwnam(ftp_user)
    except KeyError:
        ftp_user = "nobody"
        pw = pwd.getpwnam(ftp_user)
    # The session runs as that user: it must write below ROOT, but vsftpd
    # refuses a chroot it can write to, so ROOT itself stays root's.
    os.chown(root, 0, 0)
    os.chmod(root, 0o755)
    for dirpath, dirnames, filenames in os.walk(root):
        for n in dirnames + filenames:
            os.lchown(os.path.join(dirpath, n), pw.pw_uid, pw.pw_gid)
    empty = os.path.join(workdir, "empty")
    os.mkdir(empty, 0o755)
    port = free_port()
    pasv = free_port()
    logfile = os.path.join(workdir, "vsftpd.log")
    conf = os.path.join(workdir, "vsftpd.conf")
    extra = []
    if tls:
        pem = os.path.join(workdir, "box.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                        "-subj", "/CN=fakebox", "-days", "1", "-keyout", pem, "-out", pem],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        extra = ["ssl_enable=YES", "rsa_cert_file=%s" % pem, "rsa_private_key_file=%s" % pem,
                 "allow_anon_ssl=YES", "force_anon_logins_ssl=YES",
                 "force_anon_data_ssl=YES", "require_ssl_reuse=NO"]
    with open(conf, "w") as f:
        f.write("\n".join([
            "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1",
            "listen_port=%d" % port, "background=NO",
            "pasv_enable=YES", "pasv_address=127.0.0.1",
            "pasv_min_port=%d" % pasv, "pasv_max_port=%d" % (pasv + 20),
            "port_enable=YES", "connect_from_port_20=NO",
            "anonymous_enable=YES", "local_enable=NO", "no_anon_password=YES",
            "ftp_username=%s" % ftp_user, "anon_root=%s" % root,
            "write_enable=YES", "anon_upload_enable=YES",
            "anon_mkdir_write_enable=YES", "anon_other_write_enable=YES",
            "anon_world_readable_only=NO", "anon_umask=022",
            "allow_writeable_chroot=YES", "secure_chroot_dir=%s" % empty,
            "seccomp_sandbox=NO", "isolate_network=NO",
            "xferlog_enable=YES", "xferlog_std_format=NO",
            "log_ftp_protocol=YES", "vsftpd_log_file=%s" % logfile,
            "syslog_enable=NO", "use_localtime=NO"] + extra + [""]))
    open(logfile, "w").close()
    proc = subprocess.Popen(["/usr/sbin/vsftpd", conf], start_new_session=True,
                            preexec_fn=die_with_parent)
    deadline = time.time() + 5
    while True:
        if proc.poll() is not None:
            raise SystemExit("fakebox: vsftpd stopped at start (%d)" % proc.returncode)
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            break
        except OSError:
            if time.time() > deadline:
                proc.kill()
                raise SystemExit("fakebox: vsftpd does not listen")
            time.sleep(0.05)
    done = threading.Event()
    follower = threading.Thread(target=follow_log, args=(logfile, done), daemon=True)
    follower.start()
    proc.log_done, proc.log_follower = done, follower
    return proc, port


def follow_log(path, done):
    with open(path, errors="replace") as f:
        while True:
            line = f.readline()
            if line:
                log("vsftpd %s" % line.rstrip())
            elif done.is_set():
                return
            else:
                time.sleep(0.1)


# --- main

def write_ready(path, data):
    tmp = path + ".tmp%d" % os.getpid()
    with open(tmp, "w") as f:
        json.dump(data, f)
    os.replace(tmp, path)


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--root", required=True)
    p.add_argument("--ftp-port", type=int, default=0)
    p.add_argument("--http-port", type=int, default=0)
    p.add_argument("--user", default="root")
    p.add_argument("--password", default="")
    p.add_argument("--ready", required=True)
    p.add_argument("--faults")
    p.add_argument("--ftp-server", choices=("pyftpdlib", "vsftpd", "vsftpd-tls", "none"),
                   default="pyftpdlib")
    a = p.parse_args()
    # Set first, so a stop during the start is clean too. Only a flag: an exception raised here could land inside a client's
    # handler and be taken for that client's error.
    stopping = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    signal.signal(signal.SIGINT, lambda *_: stopping.set())
    root = os.path.abspath(a.root)
    faults = Faults(os.path.abspath(a.faults) if a.faults else None)
    faults.read()

    logging.basicConfig(level=logging.ERROR, stream=sys.stderr,
                        format="fakebox pyftpdlib %(message)s")

    box = Box(root)
    box.reload_lamedb()
    box.reload_bouquets()

    http = ThreadingHTTPServer(("127.0.0.1", a.http_port),
                               make_http_handler(box, faults, a.user, a.password))
    http.daemon_threads = True
    threading.Thread(target=http.serve_forever, daemon=True).start()

    workdir = tempfile.mkdtemp(prefix="fakebox-")
    ftp = vsftpd = None
    ready = {"http": http.server_address[1], "pid": os.getpid(),
             "ftp_server": a.ftp_server, "ftp": None}
    if a.ftp_server == "pyftpdlib":
        ftp, ready["ftp"] = make_ftp_server(root, a.user, a.password, faults)
        ready["ftp_user"] = a.user
    elif a.ftp_server in ("vsftpd", "vsftpd-tls"):
        vsftpd, ready["ftp"] = start_vsftpd(root, workdir, a.ftp_server == "vsftpd-tls")
        ready["ftp_user"] = "anonymous"


    write_ready(os.path.abspath(a.ready), ready)
    log("ready %s" % json.dumps(ready, sort_keys=True))
    rc, wait = 0, 0.2
    try:
        while not stopping.is_set():
            if ftp is not None:
                # One poll at a time; the throttle's wake-ups need it soon.
                nxt = ftp.ioloop.loop(wait, blocking=False)
                wait = 0.2 if nxt is None else max(0.0, min(0.2, nxt))
            elif vsftpd is not None and vsftpd.poll() is not None:
                log("vsftpd stopped (%d)" % vsftpd.returncode)
                rc = 1
                break
            else:
                stopping.wait(0.2)
    finally:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        if ftp is not None:
            ftp.close_all()
        if vsftpd is not None:
            try:
                os.killpg(vsftpd.pid, signal.SIGTERM)
            except OSError:
                pass
            vsftpd.wait(5)
            vsftpd.log_done.set()
            vsftpd.log_follower.join(2)
        http.shutdown()
        http.server_close()
        shutil.rmtree(workdir, ignore_errors=True)
        log("stopped")
    return rc


if __name__ == "__main__":
    sys.exit(main())
