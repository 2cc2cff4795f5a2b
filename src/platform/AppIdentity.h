#pragma once

// Kestrine's own identity: the bundle identifier doubles as the subsystem of the
// application-wide logs and as the domain of the errors Kestrine raises itself.
namespace AppIdentity {
inline constexpr char bundleIdentifier[] = "app.kestrine.Kestrine";
inline constexpr char organizationName[] = "Kestrine";
inline constexpr char applicationName[] = "Kestrine";
inline constexpr char version[] = KESTRINE_VERSION;
} // namespace AppIdentity
