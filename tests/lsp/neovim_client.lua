-- Driven by neovim_test.sh: each file of the argument list is opened with
-- its own client of folvane-cli lsp, its diagnostics awaited, its edits
-- applied ("fix all" or formatting), the file written; then the server
-- must publish no diagnostic for the fixed text (its copy, kept by
-- incremental changes, equals the buffer).
local cli = os.getenv('FOLVANE_CLI')
local timeout = 60000

local function fail(message)
  io.stderr:write('neovim client: ' .. message .. '\n')
  vim.cmd('cquit 1')
end

-- file, position encoding, how the edits are asked for, a word the diagnostics hold
local plan = {
  { 'docs/doc.md', 'utf-16', 'fixAll', '标点修正' },
  { 'docs/notes.txt', 'utf-8', 'fixAll', '排版' },
  { 'docs/crlf.md', 'utf-16', 'formatting', '中英文间加空格' },
}

local function run(file, encoding, way, word)
  vim.cmd('edit ' .. vim.fn.fnameescape(file))
  local buf = vim.api.nvim_get_current_buf()
  local uri = vim.uri_from_bufnr(buf)
  local latest = nil
  local config = {
    name = 'folvane',
    cmd = { cli, 'lsp' },
    root_dir = vim.fn.fnamemodify(file, ':p:h'),
    offset_encoding = encoding,
    before_init = function(params)
      params.capabilities.general = { positionEncodings = { encoding } }
    end,
    on_init = function(_, result)
      if result.capabilities.positionEncoding ~= encoding then
        fail(file .. ': the server chose ' .. tostring(result.capabilities.positionEncoding))
      end
    end,
    handlers = {
      ['textDocument/publishDiagnostics'] = function(err, result, ctx, cfg)
        if result.uri == uri then latest = result end
        vim.lsp.diagnostic.on_publish_diagnostics(err, result, ctx, cfg)
      end,
    },
  }
  local id
  if vim.lsp.start then
    id = vim.lsp.start(config)
  else
    -- Neovim 0.7 (Debian 12) has no vim.lsp.start yet.
    id = vim.lsp.start_client(config)
    vim.lsp.buf_attach_client(buf, id)
  end
  if not vim.wait(timeout, function() return latest ~= nil end, 20) then fail(file .. ': no diagnostics') end
  local found = false
  for _, d in ipairs(latest.diagnostics) do
    if d.message:find(word, 1, true) then found = true end
  end
  if not found then fail(file .. ': no diagnostic says ' .. word .. ' (' .. vim.inspect(latest) .. ')') end
  latest = nil
  local client = vim.lsp.get_client_by_id(id)
  local origin = { line = 0, character = 0 }
  if way == 'fixAll' then
    local r = client.request_sync('textDocument/codeAction', {
      textDocument = { uri = uri },
      range = { start = origin, ['end'] = origin },
      context = { diagnostics = {} },
    }, timeout, buf)
    if not r or r.err then fail(file .. ': code action failed ' .. vim.inspect(r)) end
    local all = nil
    for _, action in ipairs(r.result) do
      if action.title:find('全部修正', 1, true) then all = action end
    end
    if not all then fail(file .. ': no "fix all" among ' .. vim.inspect(r.result)) end
    vim.lsp.util.apply_workspace_edit(all.edit, encoding)
  else
    local r = client.request_sync('textDocument/formatting', {
      textDocument = { uri = uri },
      options = { tabSize = 4, insertSpaces = true },
    }, timeout, buf)
    if not r or r.err then fail(file .. ': formatting failed ' .. vim.inspect(r)) end
    vim.lsp.util.apply_text_edits(r.result, buf, encoding)
  end
  vim.cmd('write')
  -- The change goes to the server, which finds nothing more to fix.
  if not vim.wait(timeout, function() return latest ~= nil and #latest.diagnostics == 0 end, 20) then
    fail(file .. ': diagnostics remain after the fix: ' .. vim.inspect(latest))
  end
  client.stop()
  vim.wait(timeout, function() return client.is_stopped() end, 20)
end

for _, p in ipairs(plan) do run(p[1], p[2], p[3], p[4]) end
vim.cmd('qall!')
