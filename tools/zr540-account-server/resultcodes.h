// Result codes of the account server and their messages. The client shows "msg" unchanged,
// and pages act on a few codes themselves (10003 on a password change), so these numbers are
// part of the protocol: never renumber one. The table is also in this folder's README.
#pragma once

#include <string>

namespace zr540 {

enum class Result : int {
  Ok = 0,

  // request shape
  MalformedBody = 10001,   // not JSON, not an object, or a multipart body that does not parse
  MissingField = 10002,    // a required field is absent
  WrongPassword = 10003,   // login or password change with a wrong password
  UnknownAccount = 10004,  // no account with that e-mail
  EmailTaken = 10005,      // register with an e-mail that already has an account
  PasswordMismatch = 10006,
  BadEmail = 10007,
  BadPassword = 10008,
  BadNickname = 10009,
  BadFieldType = 10010,    // a field is there but is not a string, or holds control characters
  LoginLocked = 10011,     // too many wrong passwords for the account or from the address of late
  TooManyRegistrations = 10012,  // the client address has registered its accounts for the time being

  // token
  NotLoggedIn = 11001,     // no token, an unknown token, or an expired one
  NotYourAccount = 11002,  // a password change for an account that is not the token's

  // verification codes
  WrongCode = 20001,
  CodeExpired = 20002,     // never requested, used already, or past its time
  TooManyAttempts = 20003,
  TooManyCodeRequests = 20005,  // the account has been sent its codes for the time being
  TooManyWrongCodes = 20006,    // too many wrong codes for the account or from the address of late
  // 20004 is never sent: the client jumps straight to the new-password page on it, which would
  // let a password be reset without a code.

  // files and records
  NoFilePart = 30001,
  FileTooLarge = 30002,
  BadFileName = 30003,
  NotAZipArchive = 30004,
  UnknownFilePath = 30005,
  NothingSaved = 30006,
  BadConfigType = 30007,
  FileNotFound = 30008,
  StorageFull = 30009,     // the upload does not fit beside the user's recorded archives
  TooManyConfigTypes = 30010,  // a save record of one more configuration type than a user may keep
  ServerStorageFull = 30011,   // the upload does not fit within the server's storage for all users

  // versions
  UnknownVersionType = 40001,
  NoVersionKnown = 40002,

  // server side
  InternalError = 50001,
  BodyTooLarge = 50002,
  NoSuchEndpoint = 50003,
};

// The fixed message of a code (Chinese, as the users read it).
const char* resultMessage(Result r);

}  // namespace zr540
