// The keys of the settings and usage files, each spelled here and nowhere else.
#pragma once

namespace keys {

constexpr char app_left[] = "app.left";
constexpr char app_top[] = "app.top";
constexpr char app_width[] = "app.width";
constexpr char app_height[] = "app.height";
constexpr char app_always_on_top[] = "app.always_on_top";
constexpr char app_alpha[] = "app.alpha";
constexpr char app_starts[] = "app.starts";
constexpr char app_tray_icon[] = "app.tray_icon";
constexpr char device_in[] = "device.in";
constexpr char device_out[] = "device.out";
constexpr char graph_delay[] = "graph.delay";
constexpr char graph_locked_max[] = "graph.locked_max";
constexpr char graph_locked_max_value[] = "graph.locked_max_value";
constexpr char graph_theme[] = "graph.theme";
constexpr char graph_dependent_text_color[] = "graph.dependent_text_color";
constexpr char graph_rate_units[] = "graph.rate_units";
constexpr char plan_limit_mb[] = "plan.limit_mb";
constexpr char plan_start_day[] = "plan.start_day";
constexpr char plan_download_only[] = "plan.download_only";
constexpr char plan_warn_percent[] = "plan.warn_percent";
constexpr char plan_interface[] = "plan.interface";
// The household's router: "off", "upnp" or "snmp"; its description's URL and
// WAN service, or its SNMP agent, community and interface (ifIndex); who it
// is, and the name its traffic is kept under. usage.cfg keeps the identity too.
constexpr char router_source[] = "router.source";
constexpr char router_location[] = "router.location";
constexpr char router_service_id[] = "router.service_id";
constexpr char router_snmp_host[] = "router.snmp_host";
constexpr char router_snmp_community[] = "router.snmp_community";
constexpr char router_snmp_interface[] = "router.snmp_interface";
constexpr char router_identity[] = "router.identity";
constexpr char router_name[] = "router.name";

// The usage file's.
constexpr char usage_day[] = "usage.day";
constexpr char usage_day_in[] = "usage.day_in";
constexpr char usage_day_out[] = "usage.day_out";
constexpr char usage_month[] = "usage.month";
constexpr char usage_month_in[] = "usage.month_in";
constexpr char usage_month_out[] = "usage.month_out";
// Per adapter n: "adapter.<n>.name", ".hardware", ".luid", ".last" (the
// counters' received,sent), ".last_uptime" (the milliseconds the system had
// run when each of the two was read) and "adapter.<n>.<YYYY-MM-DD>"
// (received,sent).
constexpr char adapter_prefix[] = "adapter.";
constexpr char adapter_system_start[] = "adapter.system_start";
constexpr char adapter_name[] = "name";
constexpr char adapter_hardware[] = "hardware";
constexpr char adapter_luid[] = "luid";
constexpr char adapter_last[] = "last";
constexpr char adapter_last_uptime[] = "last_uptime";
// "roaming.left.<file name>": a roamed file whose removal is owed (its last
// write and size, "written,size").
constexpr char roaming_left_prefix[] = "roaming.left.";
// The router's base: whose ("router.identity"), its counters (received,sent),
// the milliseconds the PC had run when they were counted (as an adapter's
// "last_uptime"), whether they are 64-bit (1) or wrap at 2^32 (0), and the
// router's own uptime and its counters' discontinuity time then (hundredths of
// a second), where it told them.
constexpr char router_prefix[] = "router.";
constexpr char router_last[] = "router.last";
constexpr char router_last_uptime[] = "router.last_uptime";
constexpr char router_wide_counters[] = "router.wide_counters";
constexpr char router_last_router_uptime[] = "router.last_router_uptime";
constexpr char router_last_discontinuity[] = "router.last_discontinuity";
constexpr char plan_warned_period[] = "plan.warned_period";
constexpr char plan_warned_level[] = "plan.warned_level";
// "export.unwritten.<n>": a file that an export was to be written to when
// the program ended (UTF-8).
constexpr char export_unwritten_prefix[] = "export.unwritten.";

}  // namespace keys
