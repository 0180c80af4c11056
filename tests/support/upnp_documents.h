// Device descriptions and SOAP answers shaped as Debian's miniupnpd sends
// them, for the tests of the router's reader.
#pragma once

#include <string>

inline std::string upnp_service(const std::string& type, const std::string& id, const std::string& control) {
    return "<service><serviceType>urn:schemas-upnp-org:service:" + type + "</serviceType><serviceId>" + id +
           "</serviceId><SCPDURL>/x.xml</SCPDURL><controlURL>" + control + "</controlURL></service>";
}

inline std::string upnp_device(const std::string& name, const std::string& udn, const std::string& services,
                               const std::string& devices = "", const std::string& list_attributes = "") {
    return "<device><deviceType>urn:schemas-upnp-org:device:X:1</deviceType><friendlyName>" + name +
           "</friendlyName><UDN>" + udn + "</UDN><serviceList " + list_attributes + ">" + services +
           "</serviceList>" + (devices.empty() ? "" : "<deviceList>" + devices + "</deviceList>") +
           "</device>";
}

// The n-th WAN link: its counters, and a connection device with its uptime.
inline std::string wan_device(int n, const std::string& list_attributes = "",
                              const std::string& name = "WANDevice") {
    const std::string i = std::to_string(n);
    return upnp_device(name, "uuid:wan-" + i,
                       upnp_service("WANCommonInterfaceConfig:1", "urn:upnp-org:serviceId:WANCommonIFC" + i,
                                    "/ctl/CmnIfCfg" + i),
                       upnp_device("WANConnectionDevice", "uuid:connection-" + i,
                                   upnp_service("WANIPConnection:2", "urn:upnp-org:serviceId:WANIPConn1",
                                                "/ctl/IPConn" + i)),
                       list_attributes);
}

inline std::string igd(const std::string& wan_devices,
                       const std::string& ns = "urn:schemas-upnp-org:device-1-0") {
    return "<?xml version=\"1.0\"?>\n<root xmlns=\"" + ns + "\" configId=\"1337\">" +
           upnp_device("test router", "uuid:root",
                       upnp_service("Layer3Forwarding:1", "urn:upnp-org:serviceId:L3Forwarding1", "/ctl/L3F"),
                       wan_devices) +
           "</root>";
}

inline std::string soap_answer(
    const std::string& action, const std::string& values,
    const std::string& service = "urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1",
    const std::string& envelope = "http://schemas.xmlsoap.org/soap/envelope/") {
    return "<?xml version=\"1.0\"?>\n<s:Envelope xmlns:s=\"" + envelope +
           "\" s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><u:" + action +
           "Response xmlns:u=\"" + service + "\">" + values + "</u:" + action +
           "Response></s:Body></s:Envelope>";
}

const std::string miniupnpd_fault =
    "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><s:Fault><faultcode>s:Client</"
    "faultcode>"
    "<faultstring>UPnPError</faultstring><detail><UPnPError "
    "xmlns=\"urn:schemas-upnp-org:control-1-0\"><errorCode>401"
    "</errorCode><errorDescription>Invalid Action</errorDescription></UPnPError></detail></s:Fault></s:Body>"
    "</s:Envelope>";
