# A scripted Internet gateway for router.sh, for what a real router daemon
# cannot be made to show: 32-bit totals that wrap, a total that steps back, a
# SOAP fault, a description without counters, another router at the same
# address, a router that never answers, and a search answer that names a host
# other than its own. What it shows is the state named in the file STATE, read
# at every request; every request is logged to LOG, one line each.
#   python3 router_device.py STATE LOG SECONDS
# It ends after SECONDS. It serves http://10.77.1.1:5000/rootDesc.xml; the
# description's control URL names 10.77.1.3, where a decoy with other counters logs any request: a
# program that resolves it to that host, or follows the search answer that
# points there, ends up at the decoy.
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

state_file, log_file = sys.argv[1], sys.argv[2]
started = time.monotonic()
log_lock = threading.Lock()
wan_common = "urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1"
connection = "urn:schemas-upnp-org:service:WANIPConnection:1"
chosen_udn = "uuid:5c0ffee0-0000-4000-8000-000000000001"
other_udn = "uuid:5c0ffee0-0000-4000-8000-000000000002"

# (received, sent) of each state; the uptime goes on steadily throughout.
totals = {
    "base": (2**32 - 3000, 2**32 - 1000),
    "wrapped": (7000, 1000),
    "back": (6900, 1000),
    "jump": (7000 + 2**31, 1000 + 2**31),
    "final": (11900, 1500),
}


def log(line):
    with log_lock, open(log_file, "a") as f:
        f.write(line + "\n")


def state():
    with open(state_file) as f:
        return f.read().strip()


def description(udn, name, control, counters=True):
    common = f"""<service><serviceType>{wan_common}</serviceType>
<serviceId>urn:upnp-org:serviceId:WANCommonIFC1</serviceId><SCPDURL>/x.xml</SCPDURL>
<controlURL>{control}</controlURL><eventSubURL>/evt/IFC</eventSubURL></service>"""
    return f"""<?xml version="1.0"?>
<root xmlns="urn:schemas-upnp-org:device-1-0"><specVersion><major>1</major><minor>0</minor></specVersion>
<device><deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>
<friendlyName>{name}</friendlyName><UDN>{udn}</UDN>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>
<friendlyName>WAN</friendlyName><UDN>{udn}-wan</UDN>
<serviceList>{common if counters else ""}</serviceList>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>
<friendlyName>WAN connection</friendlyName><UDN>{udn}-conn</UDN>
<serviceList><service><serviceType>{connection}</serviceType>
<serviceId>urn:upnp-org:serviceId:WANIPConn1</serviceId><SCPDURL>/y.xml</SCPDURL>
<controlURL>/ctl/IPConn</controlURL><eventSubURL>/evt/IPConn</eventSubURL></service></serviceList>
</device></deviceList></device></deviceList></device></root>""".encode()


def soap(service, action, values):
    fields = "".join(f"<{k}>{v}</{k}>" for k, v in values)
    return f"""<?xml version="1.0"?>
<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" s:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/">
<s:Body><u:{action}Response xmlns:u="{service}">{fields}</u:{action}Response></s:Body></s:Envelope>""".encode()


fault = b"""<?xml version="1.0"?>
<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" s:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/">
<s:Body><s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>
<UPnPError xmlns="urn:schemas-upnp-org:control-1-0"><errorCode>501</errorCode>
<errorDescription>Action Failed</errorDescription></UPnPError></detail></s:Fault></s:Body></s:Envelope>"""

class Router(BaseHTTPRequestHandler):
    decoy = False

    def log_message(self, *args):
        pass

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", 'text/xml; charset="utf-8"')
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        now = state()
        if self.decoy:
            log(f"decoy GET {self.path}")
            return self.answer(200, description(chosen_udn, "scripted router", "/ctl/CmnIfCfg"))
        if now == "hang":
            log("hang GET")
            time.sleep(8)
            return
        if now == "nocounters":
            log("description without counters")
            return self.answer(200, description(chosen_udn, "scripted router", "", counters=False))
        # Once the totals jumped, another router answers at the same address.
        if now == "jump":
            log("description of the other router")
            return self.answer(200, description(other_udn, "other router", "/ctl/CmnIfCfg"))
        log(f"description {now}")
        self.answer(200, description(chosen_udn, "scripted router", "http://10.77.1.3:5000/ctl/CmnIfCfg"))

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        self.rfile.read(min(length, 65536))
        action = self.headers.get("SOAPAction", "").strip('"').split("#")[-1]
        now = state()
        if self.decoy:
            log(f"decoy POST {action}")
            received = sent = 900000000
        else:
            log(f"{action} {now}")
            if now == "fault":
                return self.answer(500, fault)
            received, sent = totals.get(now, (0, 0))
        if action == "GetTotalBytesReceived":
            return self.answer(200, soap(wan_common, action, [("NewTotalBytesReceived", received)]))
        if action == "GetTotalBytesSent":
            return self.answer(200, soap(wan_common, action, [("NewTotalBytesSent", sent)]))
        if action == "GetCommonLinkProperties":
            return self.answer(200, soap(wan_common, action, [
                ("NewWANAccessType", "Ethernet"), ("NewLayer1UpstreamMaxBitRate", 100000000),
                ("NewLayer1DownstreamMaxBitRate", 100000000), ("NewPhysicalLinkStatus", "Up")]))
        if action == "GetStatusInfo":
            uptime = 5000 + int(time.monotonic() - started)
            return self.answer(200, soap(connection, action, [
                ("NewConnectionStatus", "Connected"), ("NewLastConnectionError", "ERROR_NONE"),
                ("NewUptime", uptime)]))
        self.answer(500, fault)


class Decoy(Router):
    decoy = True


def serve(address, handler):
    server = ThreadingHTTPServer((address, 5000), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()


# Answers every search, naming the decoy's host as the description's.
def answer_searches():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("0.0.0.0", 1900))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                 socket.inet_aton("239.255.255.250") + socket.inet_aton("10.77.1.1"))
    while True:
        data, sender = s.recvfrom(2048)
        if not data.startswith(b"M-SEARCH"):
            continue
        log("search answered")
        s.sendto(("HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nEXT:\r\n"
                  "LOCATION: http://10.77.1.3:5000/rootDesc.xml\r\nSERVER: scripted/1.0 UPnP/1.1\r\n"
                  "ST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
                  f"USN: {chosen_udn}::urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n\r\n").encode(),
                 sender)


serve("10.77.1.1", Router)
serve("10.77.1.3", Decoy)
threading.Thread(target=answer_searches, daemon=True).start()
log("ready")
time.sleep(float(sys.argv[3]))
