"""Shared pieces of the update tests: a private nginx on 127.0.0.1 as the update server,
and a copy of the program installed in a folder of its own, with its processes. Its
windows are found and closed with x_session."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile

from x_session import check, fail, poll

VERSION_PATH = "update/version.txt"
PROGRAM_PATH = "programs/Zelvanto.exe"


def port_in_use(port):
    with socket.socket() as s:
        s.settimeout(0.5)
        return s.connect_ex(("127.0.0.1", port)) == 0


class UpdateServer:
    """nginx from the system, started with its own configuration, pid, log and temp
    folders, serving `root` on 127.0.0.1:port. The system's nginx is never touched."""

    def __init__(self, folder, port):
        self.prefix = os.path.join(folder, "nginx")
        self.root = os.path.join(self.prefix, "root")
        self.port = port
        self.process = None
        for sub in ("root/update", "root/programs", "temp"):
            os.makedirs(os.path.join(self.prefix, sub), exist_ok=True)

    def offer(self, version_text, program_bytes):
        with open(os.path.join(self.root, VERSION_PATH), "wb") as f:
            f.write(version_text)
        with open(os.path.join(self.root, PROGRAM_PATH), "wb") as f:
            f.write(program_bytes)

    def start(self):
        check(not port_in_use(self.port), "port %d on 127.0.0.1 is already in use" % self.port)
        p = self.prefix
        temp = os.path.join(p, "temp")
        conf = os.path.join(p, "nginx.conf")
        with open(conf, "w") as f:
            f.write(f"""daemon off;
master_process off;
worker_processes 1;
pid {p}/nginx.pid;
error_log {p}/error.log info;
events {{ worker_connections 64; }}
http {{
    access_log {p}/access.log;
    client_body_temp_path {temp}/body;
    proxy_temp_path {temp}/proxy;
    fastcgi_temp_path {temp}/fastcgi;
    uwsgi_temp_path {temp}/uwsgi;
    scgi_temp_path {temp}/scgi;
    default_type application/octet-stream;
    server {{
        listen 127.0.0.1:{self.port};
        root {self.root};
    }}
}}
""")
        nginx = shutil.which("nginx") or "/usr/sbin/nginx"
        self.process = subprocess.Popen(
            [nginx, "-p", p + "/", "-c", conf, "-e", os.path.join(p, "error.log")],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
        if not poll(lambda: port_in_use(self.port) or self.process.poll() is not None, 10) \
                or self.process.poll() is not None:
            fail("nginx did not start:\n" + self.log("error.log"))

    def requests(self):
        """The request lines in the access log, e.g. 'GET /update/version.txt HTTP/1.1'."""
        lines = []
        for line in self.log("access.log").splitlines():
            if '"' in line:
                lines.append(line.split('"')[1])
        return lines

    def log(self, name):
        try:
            with open(os.path.join(self.prefix, name)) as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Installation:
    """A folder holding the program copied as Zelvanto.exe, its settings file as after an
    earlier start, an "appdata" folder, and a home of its own."""

    def __init__(self, program):
        self.folder = tempfile.mkdtemp(prefix="zelvanto-update-")
        self.appdata = os.path.join(self.folder, "appdata")
        self.home = os.path.join(self.folder, "home")
        os.makedirs(self.appdata)
        os.makedirs(self.home)
        self.program = os.path.join(self.folder, "Zelvanto.exe")
        shutil.copyfile(program, self.program)
        os.chmod(self.program, 0o755)
        self.write("settings.prefs", b"Version = 3\r\n")

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def start(self):
        env = dict(os.environ)
        env.pop("XDG_CONFIG_HOME", None)
        env["appdata"] = self.appdata
        env["HOME"] = self.home
        return subprocess.Popen([self.program], cwd=self.folder, env=env,
                                stdin=subprocess.DEVNULL)

    def processes(self):
        """(pid, argv) of every process whose program file lies in this folder."""
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    argv = f.read().split(b"\0")[:-1]
                with open("/proc/%s/stat" % entry) as f:
                    state = f.read().rsplit(")", 1)[1].split()[0]
            except OSError:
                continue
            if state == "Z" or not argv:
                continue
            name = os.fsdecode(argv[0])
            if os.path.dirname(name) == self.folder:
                found.append((int(entry), [os.fsdecode(a) for a in argv]))
        return found

    def remove(self):
        for pid, _ in self.processes():
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        shutil.rmtree(self.folder, ignore_errors=True)


def program_form(host_path):
    return host_path.replace("/", "\\")

