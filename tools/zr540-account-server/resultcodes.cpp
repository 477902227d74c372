#include "resultcodes.h"

namespace zr540 {

const char* resultMessage(Result r) {
  switch (r) {
    case Result::Ok: return "成功";
    case Result::MalformedBody: return "请求格式错误";
    case Result::MissingField: return "缺少参数";
    case Result::WrongPassword: return "密码错误";
    case Result::UnknownAccount: return "账号不存在";
    case Result::EmailTaken: return "该邮箱已被注册";
    case Result::PasswordMismatch: return "两次输入的密码不一致";
    case Result::BadEmail: return "邮箱格式不正确";
    case Result::BadPassword: return "密码长度须为6到64个字符";
    case Result::BadNickname: return "昵称长度须为1到32个字符，且不能含控制字符";
    case Result::BadFieldType: return "参数格式错误";
    case Result::LoginLocked: return "密码错误次数过多，请稍后再试";
    case Result::TooManyRegistrations: return "注册过于频繁，请稍后再试";
    case Result::NotLoggedIn: return "未登录或登录已失效，请重新登录";
    case Result::NotYourAccount: return "无权修改该账号";
    case Result::WrongCode: return "验证码错误";
    case Result::CodeExpired: return "验证码已失效，请重新获取";
    case Result::TooManyAttempts: return "验证码错误次数过多，请重新获取";
    case Result::TooManyCodeRequests: return "验证码发送次数过多，请稍后再试";
    case Result::TooManyWrongCodes: return "验证码错误次数过多，请稍后再试";
    case Result::NoFilePart: return "缺少上传文件";
    case Result::FileTooLarge: return "文件过大，上限为16 MiB";
    case Result::BadFileName: return "文件名不合法";
    case Result::NotAZipArchive: return "文件不是zip压缩包";
    case Result::UnknownFilePath: return "文件路径无效";
    case Result::NothingSaved: return "云端暂无保存的设置";
    case Result::BadConfigType: return "配置类型不合法";
    case Result::FileNotFound: return "文件不存在";
    case Result::StorageFull: return "云端存储空间已满";
    case Result::TooManyConfigTypes: return "云端保存的配置类型已达上限";
    case Result::ServerStorageFull: return "服务器存储空间不足，请稍后再试";
    case Result::UnknownVersionType: return "不支持的版本类型";
    case Result::NoVersionKnown: return "暂无版本信息";
    case Result::InternalError: return "服务器内部错误，请稍后重试";
    case Result::BodyTooLarge: return "请求内容过大";
    case Result::NoSuchEndpoint: return "接口不存在";
  }
  return "服务器内部错误，请稍后重试";
}

}  // namespace zr540
