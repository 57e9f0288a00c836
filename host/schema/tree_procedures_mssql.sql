-- Group-tree procedures of the back-office base, Microsoft SQL Server form (SQL Server 2016 SP1
-- or later). Every procedure takes the tree table's name (@TableName: "tirGoodsGroups",
-- "[tirGoodsGroups]" or "dbo.tirGoodsGroups") and works on it through parameterised dynamic SQL.
-- Writers run in a transaction of their own (a savepoint when the caller has one open) and hold
-- the exclusive application lock "TreeWrite:dbo.<table>" until it ends: the lock the module's
-- tree repair takes, so the procedures and the repair never change a tree at the same time.
-- Outcomes are reported in @ResultCode (0 = done) and @ResultMsg, never raised; a database error
-- rolls the change back and gives code 99 with the server's message.
GO

-- "dbo.<table>" of a tree table name: trimmed, without brackets, in schema dbo unless it names one.
CREATE OR ALTER FUNCTION dbo.ufn_Tree_Name (@TableName NVARCHAR(300))
RETURNS NVARCHAR(300)
AS
BEGIN
  DECLARE @n NVARCHAR(300) = REPLACE(REPLACE(LTRIM(RTRIM(ISNULL(@TableName, N''))), N'[', N''), N']', N'');
  RETURN CASE WHEN CHARINDEX(N'.', @n) > 0 THEN @n ELSE N'dbo.' + @n END;
END;
GO

-- The quoted two-part name of an existing tree table, NULL when there is no such table.
CREATE OR ALTER FUNCTION dbo.ufn_Tree_Quoted (@TableName NVARCHAR(300))
RETURNS NVARCHAR(600)
AS
BEGIN
  DECLARE @n NVARCHAR(300) = dbo.ufn_Tree_Name(@TableName);
  IF OBJECT_ID(@n, N'U') IS NULL RETURN NULL;
  RETURN QUOTENAME(PARSENAME(@n, 2)) + N'.' + QUOTENAME(PARSENAME(@n, 1));
END;
GO

-- Takes the tree's write lock for the current transaction; raises when it is not granted in 10 s.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_Lock @TableName NVARCHAR(300)
AS
BEGIN
  SET NOCOUNT ON;
  DECLARE @resource NVARCHAR(255) = N'TreeWrite:' + dbo.ufn_Tree_Name(@TableName);
  DECLARE @res INT;
  EXEC @res = sp_getapplock @Resource = @resource, @LockMode = 'Exclusive',
    @LockOwner = 'Transaction', @LockTimeout = 10000;
  IF @res < 0
  BEGIN
    DECLARE @msg NVARCHAR(200) = N'Не вдалося взяти блокування дерева (applock), код=' + CAST(@res AS NVARCHAR(11));
    THROW 50001, @msg, 1;
  END;
END;
GO

-- Bounds and level of one node; all NULL when there is no such row.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_Node @Q NVARCHAR(600), @Id INT,
  @l INT OUTPUT, @r INT OUTPUT, @lev INT OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  SELECT @l = NULL, @r = NULL, @lev = NULL;
  DECLARE @sql NVARCHAR(MAX) = N'SELECT TOP 1 @l = fcl, @r = fcr, @lev = fclev FROM ' + @Q + N' WHERE fId = @Id;';
  EXEC sp_executesql @sql, N'@Id INT, @l INT OUTPUT, @r INT OUTPUT, @lev INT OUTPUT',
    @Id = @Id, @l = @l OUTPUT, @r = @r OUTPUT, @lev = @lev OUTPUT;
END;
GO

-- Opens (positive @Delta) or closes (negative) a gap: every bound at or above @From moves.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_Shift @Q NVARCHAR(600), @From INT, @Delta INT
AS
BEGIN
  SET NOCOUNT ON;
  DECLARE @sql NVARCHAR(MAX) = N'UPDATE ' + @Q + N' SET fcl = fcl + @d WHERE fcl >= @f; '
    + N'UPDATE ' + @Q + N' SET fcr = fcr + @d WHERE fcr >= @f;';
  EXEC sp_executesql @sql, N'@f INT, @d INT', @f = @From, @d = @Delta;
END;
GO

-- Inserts a node at (@At, @At + 1, @Level) into the gap opened for it; returns its id.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_Insert @Q NVARCHAR(600), @At INT, @Level INT,
  @Name NVARCHAR(255), @Guid1 BIGINT, @Guid2 BIGINT, @NewId INT OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  EXEC dbo.usp_Tree_Shift @Q, @At, 2;
  DECLARE @sql NVARCHAR(MAX) = N'INSERT INTO ' + @Q + N' (fcl, fcr, fclev, fName, fGUID1, fGUID2) '
    + N'VALUES (@at, @at + 1, @lev, @nm, @g1, @g2); SET @id = CAST(SCOPE_IDENTITY() AS INT);';
  EXEC sp_executesql @sql, N'@at INT, @lev INT, @nm NVARCHAR(255), @g1 BIGINT, @g2 BIGINT, @id INT OUTPUT',
    @at = @At, @lev = @Level, @nm = @Name, @g1 = @Guid1, @g2 = @Guid2, @id = @NewId OUTPUT;
END;
GO

CREATE OR ALTER PROCEDURE dbo.usp_Tree_GetOrCreateRoot @TableName NVARCHAR(300),
  @RootName NVARCHAR(255) = N'root', @RootId INT = NULL OUTPUT,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  SELECT @RootId = 0, @ResultCode = -1, @ResultMsg = N'Невідома помилка';
  DECLARE @Q NVARCHAR(600) = dbo.ufn_Tree_Quoted(@TableName), @tc INT = @@TRANCOUNT;
  IF @Q IS NULL BEGIN SELECT @ResultCode = 98, @ResultMsg = N'Таблицю дерева не знайдено: ' + ISNULL(@TableName, N''); RETURN; END;
  BEGIN TRY
    IF @tc = 0 BEGIN TRANSACTION; ELSE SAVE TRANSACTION TreeRoot;
    EXEC dbo.usp_Tree_Lock @TableName;
    DECLARE @sql NVARCHAR(MAX) = N'SELECT TOP 1 @id = fId FROM ' + @Q + N' WHERE fclev = 0 ORDER BY fcl;';
    DECLARE @id INT = NULL, @cnt INT, @maxR INT;
    EXEC sp_executesql @sql, N'@id INT OUTPUT', @id = @id OUTPUT;
    IF @id IS NULL
    BEGIN
      SET @sql = N'SELECT @cnt = COUNT(*), @maxR = COALESCE(MAX(fcr), 0) FROM ' + @Q + N';';
      EXEC sp_executesql @sql, N'@cnt INT OUTPUT, @maxR INT OUTPUT', @cnt = @cnt OUTPUT, @maxR = @maxR OUTPUT;
      IF @cnt > 0  -- a forest: every row goes one level down under the new root
      BEGIN
        SET @sql = N'UPDATE ' + @Q + N' SET fcl = fcl + 1, fcr = fcr + 1, fclev = fclev + 1;';
        EXEC sp_executesql @sql;
      END;
      DECLARE @g1 BIGINT = CAST(CRYPT_GEN_RANDOM(8) AS BIGINT), @g2 BIGINT = CAST(CRYPT_GEN_RANDOM(8) AS BIGINT);
      SET @sql = N'INSERT INTO ' + @Q + N' (fcl, fcr, fclev, fName, fGUID1, fGUID2) '
        + N'VALUES (1, @r, 0, @nm, @g1, @g2); SET @id = CAST(SCOPE_IDENTITY() AS INT);';
      SET @maxR = @maxR + 2;  -- the root's right bound: above every row
      EXEC sp_executesql @sql, N'@r INT, @nm NVARCHAR(255), @g1 BIGINT, @g2 BIGINT, @id INT OUTPUT',
        @r = @maxR, @nm = @RootName, @g1 = @g1, @g2 = @g2, @id = @id OUTPUT;
    END;
    IF @tc = 0 COMMIT TRANSACTION;
    SELECT @RootId = @id, @ResultCode = 0, @ResultMsg = N'';
  END TRY
  BEGIN CATCH
    IF XACT_STATE() = -1 OR (@tc = 0 AND XACT_STATE() = 1) ROLLBACK TRANSACTION;
    ELSE IF XACT_STATE() = 1 ROLLBACK TRANSACTION TreeRoot;
    SELECT @RootId = 0, @ResultCode = 99, @ResultMsg = ERROR_MESSAGE();
  END CATCH;
END;
GO

-- Adds a node after @AfterId as its next sibling or, when @AfterId is NULL or not found, as the
-- last child of @ParentId (NULL: of the root). The two adding procedures below call it.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_AddAt @TableName NVARCHAR(300), @AfterId INT,
  @ParentId INT, @Name NVARCHAR(255), @Guid1 BIGINT, @Guid2 BIGINT, @NewId INT OUTPUT,
  @ResultCode INT OUTPUT, @ResultMsg NVARCHAR(4000) OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  SELECT @NewId = 0, @ResultCode = -1, @ResultMsg = N'Невідома помилка';
  DECLARE @Q NVARCHAR(600) = dbo.ufn_Tree_Quoted(@TableName), @tc INT = @@TRANCOUNT;
  IF @Q IS NULL BEGIN SELECT @ResultCode = 98, @ResultMsg = N'Таблицю дерева не знайдено: ' + ISNULL(@TableName, N''); RETURN; END;
  BEGIN TRY
    IF @tc = 0 BEGIN TRANSACTION; ELSE SAVE TRANSACTION TreeAdd;
    EXEC dbo.usp_Tree_Lock @TableName;
    DECLARE @l INT, @r INT, @lev INT, @at INT = NULL, @level INT, @root INT, @code INT, @msg NVARCHAR(4000);
    IF @AfterId >= 1
    BEGIN
      EXEC dbo.usp_Tree_Node @Q, @AfterId, @l OUTPUT, @r OUTPUT, @lev OUTPUT;
      IF @r IS NOT NULL SELECT @at = @r + 1, @level = @lev;
    END;
    IF @at IS NULL AND @ParentId >= 1
    BEGIN
      EXEC dbo.usp_Tree_Node @Q, @ParentId, @l OUTPUT, @r OUTPUT, @lev OUTPUT;
      IF @r IS NULL SELECT @ResultCode = 2, @ResultMsg = N'Батьківську групу не знайдено.';
      ELSE SELECT @at = @r, @level = @lev + 1;
    END
    ELSE IF @at IS NULL
    BEGIN
      EXEC dbo.usp_Tree_GetOrCreateRoot @TableName, N'root', @root OUTPUT, @code OUTPUT, @msg OUTPUT;
      IF @code = 0 EXEC dbo.usp_Tree_Node @Q, @root, @l OUTPUT, @r OUTPUT, @lev OUTPUT;
      IF @code <> 0 OR @r IS NULL
        SELECT @ResultCode = 1, @ResultMsg = N'Не вдалося знайти або створити корінь дерева.';
      ELSE SELECT @at = @r, @level = @lev + 1;
    END;
    IF @at IS NOT NULL
    BEGIN
      EXEC dbo.usp_Tree_Insert @Q, @at, @level, @Name, @Guid1, @Guid2, @NewId OUTPUT;
      SELECT @ResultCode = 0, @ResultMsg = N'';
    END;
    IF @tc = 0 COMMIT TRANSACTION;
  END TRY
  BEGIN CATCH
    IF XACT_STATE() = -1 OR (@tc = 0 AND XACT_STATE() = 1) ROLLBACK TRANSACTION;
    ELSE IF XACT_STATE() = 1 ROLLBACK TRANSACTION TreeAdd;
    SELECT @NewId = 0, @ResultCode = 99, @ResultMsg = ERROR_MESSAGE();
  END CATCH;
END;
GO

CREATE OR ALTER PROCEDURE dbo.usp_Tree_AddChild @TableName NVARCHAR(300), @ParentId INT,
  @Name NVARCHAR(255), @Guid1 BIGINT = 0, @Guid2 BIGINT = 0, @NewId INT = NULL OUTPUT,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  EXEC dbo.usp_Tree_AddAt @TableName, NULL, @ParentId, @Name, @Guid1, @Guid2, @NewId OUTPUT,
    @ResultCode OUTPUT, @ResultMsg OUTPUT;
END;
GO

CREATE OR ALTER PROCEDURE dbo.usp_Tree_AddSiblingAfter @TableName NVARCHAR(300), @AfterId INT,
  @Name NVARCHAR(255), @Guid1 BIGINT = 0, @Guid2 BIGINT = 0, @NewId INT = NULL OUTPUT,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  EXEC dbo.usp_Tree_AddAt @TableName, @AfterId, NULL, @Name, @Guid1, @Guid2, @NewId OUTPUT,
    @ResultCode OUTPUT, @ResultMsg OUTPUT;
END;
GO

-- Runs one change given as @Kind: 'leaf', 'subtree', 'name', 'guid', 'parent' or 'sibling'. The
-- public procedures below call it with their own arguments.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_Change @TableName NVARCHAR(300), @Kind NVARCHAR(10),
  @Id INT, @Name NVARCHAR(255) = NULL, @Guid1 BIGINT = NULL, @Guid2 BIGINT = NULL,
  @NewParentId INT = NULL, @Arg INT = NULL,
  @ResultCode INT OUTPUT, @ResultMsg NVARCHAR(4000) OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  SELECT @ResultCode = -1, @ResultMsg = N'Невідома помилка';
  DECLARE @Q NVARCHAR(600) = dbo.ufn_Tree_Quoted(@TableName), @tc INT = @@TRANCOUNT;
  IF @Q IS NULL BEGIN SELECT @ResultCode = 98, @ResultMsg = N'Таблицю дерева не знайдено: ' + ISNULL(@TableName, N''); RETURN; END;
  BEGIN TRY
    IF @tc = 0 BEGIN TRANSACTION; ELSE SAVE TRANSACTION TreeChange;
    EXEC dbo.usp_Tree_Lock @TableName;
    DECLARE @sql NVARCHAR(MAX), @l INT, @r INT, @lev INT, @w INT,
      @pl INT, @pr INT, @plev INT, @root INT, @code INT, @msg NVARCHAR(4000), @t INT, @p INT,
      @nl INT, @nr INT;
    EXEC dbo.usp_Tree_Node @Q, @Id, @l OUTPUT, @r OUTPUT, @lev OUTPUT;
    SET @w = @r - @l + 1;

    IF @Kind = N'name' OR @Kind = N'guid'
    BEGIN
      SET @sql = N'UPDATE ' + @Q + CASE WHEN @Kind = N'name' THEN N' SET fName = @nm' ELSE N' SET fGUID1 = @g1, fGUID2 = @g2' END + N' WHERE fId = @id;';
      EXEC sp_executesql @sql, N'@id INT, @nm NVARCHAR(255), @g1 BIGINT, @g2 BIGINT', @id = @Id, @nm = @Name, @g1 = @Guid1, @g2 = @Guid2;
      SELECT @ResultCode = 0, @ResultMsg = N'';
    END
    ELSE IF @Kind = N'leaf'
    BEGIN
      IF @Id IS NULL OR @Id < 1 SELECT @ResultCode = 1, @ResultMsg = N'Не вибрано групу для видалення.';
      ELSE IF @l IS NULL SELECT @ResultCode = 2, @ResultMsg = N'Групу вже було видалено.';
      ELSE IF @lev = 0 SELECT @ResultCode = 4, @ResultMsg = N'Не можна видалити кореневу групу.';
      ELSE IF @r <> @l + 1 SELECT @ResultCode = 3, @ResultMsg = N'Спочатку видаліть всі підгрупи.';
      ELSE
      BEGIN
        SET @sql = N'DELETE FROM ' + @Q + N' WHERE fId = @id;';
        EXEC sp_executesql @sql, N'@id INT', @id = @Id;
        EXEC dbo.usp_Tree_Shift @Q, @r, -2;
        SELECT @ResultCode = 0, @ResultMsg = N'';
      END;
    END
    ELSE IF @Kind = N'subtree'
    BEGIN
      IF @l IS NULL SELECT @ResultCode = 1, @ResultMsg = N'Гілку не знайдено.';
      ELSE IF @lev = 0 SELECT @ResultCode = 2, @ResultMsg = N'Не можна видалити кореневу групу.';
      ELSE
      BEGIN
        SET @sql = N'DELETE FROM ' + @Q + N' WHERE fcl BETWEEN @l AND @r;';
        EXEC sp_executesql @sql, N'@l INT, @r INT', @l = @l, @r = @r;
        SET @w = -@w;
        EXEC dbo.usp_Tree_Shift @Q, @r, @w;  -- the bounds above the branch close its gap
        SELECT @ResultCode = 0, @ResultMsg = N'';
      END;
    END
    ELSE IF @Kind = N'parent'
    BEGIN
      IF @l IS NULL SELECT @ResultCode = 1, @ResultMsg = N'Групу не знайдено.';
      ELSE IF @lev = 0 SELECT @ResultCode = 2, @ResultMsg = N'Не можна переміщати кореневу групу.';
      ELSE
      BEGIN
        IF @NewParentId >= 1 SET @root = @NewParentId;
        ELSE EXEC dbo.usp_Tree_GetOrCreateRoot @TableName, N'root', @root OUTPUT, @code OUTPUT, @msg OUTPUT;
        EXEC dbo.usp_Tree_Node @Q, @root, @pl OUTPUT, @pr OUTPUT, @plev OUTPUT;
        IF @pl IS NULL SELECT @ResultCode = 3, @ResultMsg = N'Нового батька не знайдено.';
        ELSE IF @pl BETWEEN @l AND @r
          SELECT @ResultCode = 4, @ResultMsg = N'Помилка переміщення: не можна перемістити групу у власне піддерево.';
        ELSE
        BEGIN
          -- Park the branch above every bound, close its gap, open one at the insertion point
          -- and drop the branch into it.
          SET @sql = N'SELECT @t = COALESCE(MAX(fcr), 0) + 1 FROM ' + @Q + N';';
          EXEC sp_executesql @sql, N'@t INT OUTPUT', @t = @t OUTPUT;
          SET @sql = N'UPDATE ' + @Q + N' SET fcl = fcl + @t, fcr = fcr + @t WHERE fcl BETWEEN @l AND @r;';
          EXEC sp_executesql @sql, N'@t INT, @l INT, @r INT', @t = @t, @l = @l, @r = @r;
          SET @sql = N'UPDATE ' + @Q + N' SET fcl = fcl - @w WHERE fcl > @r; UPDATE ' + @Q + N' SET fcr = fcr - @w WHERE fcr > @r;';
          EXEC sp_executesql @sql, N'@w INT, @r INT', @w = @w, @r = @r;
          EXEC dbo.usp_Tree_Node @Q, @root, @pl OUTPUT, @pr OUTPUT, @plev OUTPUT;
          IF @pl IS NULL
          BEGIN
            SELECT @ResultCode = 5, @ResultMsg = N'Новий батько зник під час операції.';
            THROW 50002, N'Новий батько зник під час операції.', 1;
          END;
          SET @p = CASE WHEN @Arg = 0 THEN @pl + 1 ELSE @pr END;
          EXEC dbo.usp_Tree_Shift @Q, @p, @w;
          SET @sql = N'UPDATE ' + @Q + N' SET fcl = fcl - @t + @d, fcr = fcr - @t + @d, fclev = fclev + @ld '
            + N'WHERE fcl BETWEEN @t + @l AND @t + @r;';
          SELECT @p = @p - @l, @plev = @plev + 1 - @lev;  -- the shift and the level change
          EXEC sp_executesql @sql, N'@t INT, @d INT, @ld INT, @l INT, @r INT',
            @t = @t, @d = @p, @ld = @plev, @l = @l, @r = @r;
          SELECT @ResultCode = 0, @ResultMsg = N'';
        END;
      END;
    END
    ELSE IF @Kind = N'sibling'
    BEGIN
      IF @Id IS NULL OR @Id < 1 SELECT @ResultCode = 1, @ResultMsg = N'Не вибрано групу.';
      ELSE IF @l IS NULL SELECT @ResultCode = 2, @ResultMsg = N'Групу з ID=' + CAST(@Id AS NVARCHAR(11)) + N' не знайдено.';
      ELSE IF @lev = 0 SELECT @ResultCode = 3, @ResultMsg = N'Корінь не можна рухати.';
      ELSE
      BEGIN
        SET @sql = N'SELECT TOP 1 @nl = fcl, @nr = fcr FROM ' + @Q
          + CASE WHEN @Arg = 0 THEN N' WHERE fcr = @l - 1;' ELSE N' WHERE fcl = @r + 1;' END;
        EXEC sp_executesql @sql, N'@l INT, @r INT, @nl INT OUTPUT, @nr INT OUTPUT',
          @l = @l, @r = @r, @nl = @nl OUTPUT, @nr = @nr OUTPUT;
        IF @nl IS NULL
          SELECT @ResultCode = 10, @ResultMsg = CASE WHEN @Arg = 0 THEN N'Ця група вже перша серед сусідів.'
                                                     ELSE N'Ця група вже остання серед сусідів.' END;
        ELSE
        BEGIN
          -- The earlier block [l1, r1] moves forward by the later one's width, the later back.
          DECLARE @l1 INT = CASE WHEN @Arg = 0 THEN @nl ELSE @l END, @r1 INT = CASE WHEN @Arg = 0 THEN @nr ELSE @r END,
                  @l2 INT = CASE WHEN @Arg = 0 THEN @l ELSE @nl END, @r2 INT = CASE WHEN @Arg = 0 THEN @r ELSE @nr END,
                  @d1 INT, @d2 INT;
          SELECT @d1 = @r2 - @l2 + 1, @d2 = -(@r1 - @l1 + 1);
          SET @sql = N'UPDATE ' + @Q + N' SET '
            + N'fcl = CASE WHEN fcl BETWEEN @l1 AND @r1 THEN fcl + @d1 WHEN fcl BETWEEN @l2 AND @r2 THEN fcl + @d2 ELSE fcl END, '
            + N'fcr = CASE WHEN fcr BETWEEN @l1 AND @r1 THEN fcr + @d1 WHEN fcr BETWEEN @l2 AND @r2 THEN fcr + @d2 ELSE fcr END '
            + N'WHERE (fcl BETWEEN @l1 AND @r1) OR (fcl BETWEEN @l2 AND @r2);';
          EXEC sp_executesql @sql, N'@l1 INT, @r1 INT, @l2 INT, @r2 INT, @d1 INT, @d2 INT',
            @l1 = @l1, @r1 = @r1, @l2 = @l2, @r2 = @r2, @d1 = @d1, @d2 = @d2;
          SELECT @ResultCode = 0, @ResultMsg = N'';
        END;
      END;
    END;
    IF @tc = 0 COMMIT TRANSACTION;
  END TRY
  BEGIN CATCH
    IF XACT_STATE() = -1 OR (@tc = 0 AND XACT_STATE() = 1) ROLLBACK TRANSACTION;
    ELSE IF XACT_STATE() = 1 ROLLBACK TRANSACTION TreeChange;
    IF @ResultCode IN (-1, 0) SELECT @ResultCode = 99, @ResultMsg = ERROR_MESSAGE();
  END CATCH;
END;
GO

CREATE OR ALTER PROCEDURE dbo.usp_Tree_DeleteLeaf @TableName NVARCHAR(300), @Id INT,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS EXEC dbo.usp_Tree_Change @TableName, N'leaf', @Id, @ResultCode = @ResultCode OUTPUT, @ResultMsg = @ResultMsg OUTPUT;
GO

CREATE OR ALTER PROCEDURE dbo.usp_Tree_DeleteSubtree @TableName NVARCHAR(300), @Id INT,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS EXEC dbo.usp_Tree_Change @TableName, N'subtree', @Id, @ResultCode = @ResultCode OUTPUT, @ResultMsg = @ResultMsg OUTPUT;
GO

CREATE OR ALTER PROCEDURE dbo.usp_Tree_UpdateName @TableName NVARCHAR(300), @Id INT, @Name NVARCHAR(255),
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS EXEC dbo.usp_Tree_Change @TableName, N'name', @Id, @Name = @Name, @ResultCode = @ResultCode OUTPUT, @ResultMsg = @ResultMsg OUTPUT;
GO

CREATE OR ALTER PROCEDURE dbo.usp_Tree_UpdateGuid @TableName NVARCHAR(300), @Id INT, @Guid1 BIGINT, @Guid2 BIGINT,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS EXEC dbo.usp_Tree_Change @TableName, N'guid', @Id, @Guid1 = @Guid1, @Guid2 = @Guid2, @ResultCode = @ResultCode OUTPUT, @ResultMsg = @ResultMsg OUTPUT;
GO

-- @InsertPos 0: first child of the new parent, 1: last child; @NewParentId NULL: the root.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_ChangeParentEx @TableName NVARCHAR(300), @Id INT, @NewParentId INT, @InsertPos INT = 1,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS EXEC dbo.usp_Tree_Change @TableName, N'parent', @Id, @NewParentId = @NewParentId, @Arg = @InsertPos, @ResultCode = @ResultCode OUTPUT, @ResultMsg = @ResultMsg OUTPUT;
GO

-- @Dir 0: up (before the previous sibling), 1: down (after the next one).
CREATE OR ALTER PROCEDURE dbo.usp_Tree_MoveSibling @TableName NVARCHAR(300), @Id INT, @Dir INT,
  @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS EXEC dbo.usp_Tree_Change @TableName, N'sibling', @Id, @Arg = @Dir, @ResultCode = @ResultCode OUTPUT, @ResultMsg = @ResultMsg OUTPUT;
GO

-- @Path: group names separated by '\' (or '/'); each missing group is created as the last child
-- of the one before. @ResultId: the last group's id, the root's for an empty path.
CREATE OR ALTER PROCEDURE dbo.usp_Tree_FindOrCreateByPath @TableName NVARCHAR(300), @Path NVARCHAR(4000),
  @ResultId INT = NULL OUTPUT, @ResultCode INT = NULL OUTPUT, @ResultMsg NVARCHAR(4000) = NULL OUTPUT
AS
BEGIN
  SET NOCOUNT ON;
  SELECT @ResultId = 0, @ResultCode = -1, @ResultMsg = N'Невідома помилка';
  DECLARE @Q NVARCHAR(600) = dbo.ufn_Tree_Quoted(@TableName), @tc INT = @@TRANCOUNT;
  IF @Q IS NULL BEGIN SELECT @ResultCode = 98, @ResultMsg = N'Таблицю дерева не знайдено: ' + ISNULL(@TableName, N''); RETURN; END;
  BEGIN TRY
    IF @tc = 0 BEGIN TRANSACTION; ELSE SAVE TRANSACTION TreePath;
    EXEC dbo.usp_Tree_Lock @TableName;
    DECLARE @cur INT, @code INT, @msg NVARCHAR(4000), @l INT, @r INT, @lev INT, @child INT,
      @rest NVARCHAR(4000), @seg NVARCHAR(4000), @cut INT, @sql NVARCHAR(MAX), @g1 BIGINT, @g2 BIGINT;
    SET @rest = REPLACE(REPLACE(REPLACE(REPLACE(LTRIM(RTRIM(ISNULL(@Path, N''))), N'/', N'\'),
                        NCHAR(9), N' '), NCHAR(10), N' '), NCHAR(13), N' ');
    EXEC dbo.usp_Tree_GetOrCreateRoot @TableName, N'root', @cur OUTPUT, @code OUTPUT, @msg OUTPUT;
    IF @code <> 0
    BEGIN
      SET @cur = 0;
      THROW 50003, @msg, 1;
    END;
    WHILE LEN(@rest) > 0
    BEGIN
      SET @cut = CHARINDEX(N'\', @rest);
      IF @cut = 0 SELECT @seg = @rest, @rest = N'';
      ELSE SELECT @seg = LEFT(@rest, @cut - 1), @rest = SUBSTRING(@rest, @cut + 1, 4000);
      SET @seg = LTRIM(RTRIM(@seg));
      IF @seg = N'' CONTINUE;
      EXEC dbo.usp_Tree_Node @Q, @cur, @l OUTPUT, @r OUTPUT, @lev OUTPUT;
      SELECT @child = NULL, @lev = @lev + 1;  -- the level of the children
      SET @sql = N'SELECT TOP 1 @c = fId FROM ' + @Q + N' WHERE UPPER(fName) = UPPER(@nm) AND fclev = @lev '
        + N'AND fcl > @l AND fcr < @r ORDER BY fcl;';
      EXEC sp_executesql @sql, N'@nm NVARCHAR(255), @lev INT, @l INT, @r INT, @c INT OUTPUT',
        @nm = @seg, @lev = @lev, @l = @l, @r = @r, @c = @child OUTPUT;
      IF @child IS NULL
      BEGIN
        SELECT @g1 = CAST(CRYPT_GEN_RANDOM(8) AS BIGINT), @g2 = CAST(CRYPT_GEN_RANDOM(8) AS BIGINT);
        EXEC dbo.usp_Tree_Insert @Q, @r, @lev, @seg, @g1, @g2, @child OUTPUT;
      END;
      SET @cur = @child;
    END;
    IF @tc = 0 COMMIT TRANSACTION;
    SELECT @ResultId = @cur, @ResultCode = 0, @ResultMsg = N'';
  END TRY
  BEGIN CATCH
    IF XACT_STATE() = -1 OR (@tc = 0 AND XACT_STATE() = 1) ROLLBACK TRANSACTION;
    ELSE IF XACT_STATE() = 1 ROLLBACK TRANSACTION TreePath;
    SELECT @ResultId = 0, @ResultCode = 99, @ResultMsg = ERROR_MESSAGE();
  END CATCH;
END;
GO

-- One row of counters that tell whether the tree is sound (see the module's tree check).
CREATE OR ALTER PROCEDURE dbo.usp_Tree_CheckIntegrity @TableName NVARCHAR(300)
AS
BEGIN
  SET NOCOUNT ON;
  DECLARE @Q NVARCHAR(600) = dbo.ufn_Tree_Quoted(@TableName);
  IF @Q IS NULL
  BEGIN
    DECLARE @missing NVARCHAR(400) = N'Таблицю дерева не знайдено: ' + ISNULL(@TableName, N'');
    THROW 50004, @missing, 1;
  END;
  DECLARE @NodeCount INT, @RootCount INT, @BadBase INT, @DupCl INT, @DupCr INT, @BadParity INT,
    @MaxFcr INT, @ExpectedMax INT, @DistinctVals INT, @BadLevel INT, @RootNotFcl1 INT;
  DECLARE @sql NVARCHAR(MAX) = REPLACE(N'SELECT '
    + N'@NodeCount = (SELECT COUNT(*) FROM $T), '
    + N'@RootCount = (SELECT COUNT(*) FROM $T WHERE fclev = 0), '
    + N'@BadBase = (SELECT COUNT(*) FROM $T WHERE fcl <= 0 OR fcr <= 0 OR fcl >= fcr OR fclev < 0), '
    + N'@DupCl = (SELECT COUNT(*) FROM (SELECT fcl FROM $T GROUP BY fcl HAVING COUNT(*) > 1) a), '
    + N'@DupCr = (SELECT COUNT(*) FROM (SELECT fcr FROM $T GROUP BY fcr HAVING COUNT(*) > 1) a), '
    + N'@BadParity = (SELECT COUNT(*) FROM $T WHERE ((fcr - fcl) % 2) = 0), '
    + N'@MaxFcr = (SELECT COALESCE(MAX(fcr), 0) FROM $T), '
    + N'@ExpectedMax = (SELECT 2 * COUNT(*) FROM $T), '
    + N'@DistinctVals = (SELECT COUNT(DISTINCT v) FROM (SELECT fcl AS v FROM $T UNION ALL SELECT fcr FROM $T) u), '
    + N'@BadLevel = (SELECT COUNT(*) FROM $T g WHERE g.fclev <> '
    + N'(SELECT COUNT(*) - 1 FROM $T p WHERE g.fcl BETWEEN p.fcl AND p.fcr)), '
    + N'@RootNotFcl1 = (SELECT COUNT(*) FROM $T WHERE fclev = 0 AND fcl <> 1);', N'$T', @Q);
  EXEC sp_executesql @sql,
    N'@NodeCount INT OUTPUT, @RootCount INT OUTPUT, @BadBase INT OUTPUT, @DupCl INT OUTPUT, @DupCr INT OUTPUT, @BadParity INT OUTPUT, @MaxFcr INT OUTPUT, @ExpectedMax INT OUTPUT, @DistinctVals INT OUTPUT, @BadLevel INT OUTPUT, @RootNotFcl1 INT OUTPUT',
    @NodeCount OUTPUT, @RootCount OUTPUT, @BadBase OUTPUT, @DupCl OUTPUT, @DupCr OUTPUT, @BadParity OUTPUT,
    @MaxFcr OUTPUT, @ExpectedMax OUTPUT, @DistinctVals OUTPUT, @BadLevel OUTPUT, @RootNotFcl1 OUTPUT;
  -- A static result, so that a client can describe it before running the procedure.
  SELECT @NodeCount AS NodeCount, @RootCount AS RootCount, @BadBase AS BadBase, @DupCl AS DupCl,
    @DupCr AS DupCr, @BadParity AS BadParity, @MaxFcr AS MaxFcr, @ExpectedMax AS ExpectedMax,
    @DistinctVals AS DistinctVals, @BadLevel AS BadLevel, @RootNotFcl1 AS RootNotFcl1;
END;
GO
